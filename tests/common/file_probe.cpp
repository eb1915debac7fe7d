// file_probe.cpp -- creates one folder with FileUtil and exits 0 on success, 1 on failure, so a
// test can run that step as an unprivileged user.
#include "common/s_file.h"

int main(int argc, char** argv) { return argc == 2 && gFileUtil.CreateFolder(argv[1], true) ? 0 : 1; }
