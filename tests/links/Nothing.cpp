// The program each library is linked into, whole, to show that what it
// declares it links defines everything it calls (tests/CMakeLists.txt).
int main() {
    return 0;
}
