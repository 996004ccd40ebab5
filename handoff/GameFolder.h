#pragma once

// Where the game launcher lives and where the program works.
//
// A program whose own folder the player can write keeps everything there and
// works in whatever folder it was started in. An installed program cannot
// write its folder: the game launcher is then fetched into, and started
// from, the player's own game folder under $XDG_DATA_HOME, and the program
// works in that folder (so log.txt, which holds login tokens, lands there
// and not in the home folder a desktop menu starts programs in). A launcher
// shipped beside an installed program is still started from there.

#include <string>

struct GameFolders {
    std::string launcher;  // holds the game launcher, no trailing slash
    std::string work;      // the working directory to use; empty: keep it
};

// `moduleDir` is the program's folder, `dataDir` the player's data folder
// ($XDG_DATA_HOME or its default). Touches nothing.
GameFolders ChooseGameFolders(const std::string& moduleDir, const std::string& dataDir);

// The player's game folder under `dataDir`.
std::string PlayerGameFolder(const std::string& dataDir);

// For the running program: chooses the folders, makes the player's game
// folder (0700, never through a link) when it is used, and moves into the
// working folder. When that folder cannot be made, the program stays where
// it is and a download will say why it cannot save the launcher. Returns the
// launcher's folder.
std::string SettleGameFolders();
