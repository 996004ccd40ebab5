#pragma once

// The pictures only the tests have (tests/res/test-pictures.gresource.xml),
// registered on first use.
extern "C" void test_pictures_register_resource();

inline void RegisterTestPictures() {
    static const bool registered = [] {
        test_pictures_register_resource();
        return true;
    }();
    (void)registered;
}
