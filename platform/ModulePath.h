#pragma once

// Where the running program's own file lies.

#include <string>
#include <string_view>

// The directory part of a program file path: the text before its last "/",
// so a program in "/" gives the empty text and a path without "/" too.
std::string ModuleDirFromPath(std::string_view programPath);

// The running program's directory, exactly as the file system names it
// (bytes, no trailing slash). Any length: a cut path would name another
// directory.
std::string GetModuleDirNative();

// The same directory as wide text, widened from the locale's charset.
std::u16string GetModuleDir();

// The program file's name without its extension ("login-launcher").
std::string GetModuleBaseName();
