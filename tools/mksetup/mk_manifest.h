// mk_manifest.h -- reads a product manifest and its client folder into a SetupProduct.
//
// The manifest is an INI file in UTF-8:
//
//     [setup]                      ; header fields, named as in the setup data
//     title = Demo Quest 1.003
//     betaFlag = 0                 ; the words default to 0 when left out
//     testFlag = 0
//     registerFlag = 1
//     version = 1003
//     versionSub = 1
//     previousVersion = 0
//     previousVersionSub = 0
//     defaultFolder = \Demo Quest  ; begins with a backslash
//     productName = Demo Quest
//     defaultGroup = Demo Quest    ; may be empty: no start-menu group
//     desktopLinkName = Demo Quest.lnk
//     desktopLinkTarget = Bin\updater.exe
//     client = client              ; the folder installed, relative to the manifest
//
//     [links.english]              ; and [links.german]: four links, each a name and a target
//     link0 = Demo Quest.lnk
//     target0 = Bin\updater.exe
//     ...                          ; link1..link3, target1..target3
//
//     [terms]                      ; UTF-8 text files, relative to the manifest, one string per line
//     english = terms_en.txt
//     german = terms_de.txt
//
// Lines starting with ';' or '#' are comments. Unknown sections and keys are refused (a typo must
// not silently drop a field). The client folder's subfolders are listed parents first and its
// files in name order, so the same tree always gives the same data. Every refusal names the
// offending entry: names that are absolute or contain "..", names holding a backslash (the
// installer would read it as a folder separator), texts too long for the installer's buffers,
// a missing terms file, and anything but plain files and folders in the client tree.
#pragma once

#include <string>
#include <vector>

#include "tools/mksetup/mk_writer.h"

// Reads the manifest and scans the client folder. `inputs` receives every file and folder read,
// for the build's dependency list.
bool LoadManifest(const std::string& manifestPath, SetupProduct* product, std::vector<std::string>* inputs,
                  std::string* error);
