#pragma once

#include <string>

// Makes `path` a directory only its owner can enter, creating it and any
// missing parents (0700). An existing directory of this user's is narrowed to
// 0700; one that is a symbolic link or belongs to someone else is left alone
// and refused. Returns whether `path` is now such a private directory.
bool MakePrivateDirectory(const std::string& path);
