// packerTool.cpp -- the `packer` command: pack, unpack, verify and checksum packed files.
//
//     packer pack SRC DST      packs file SRC into the packed file DST
//     packer unpack SRC DST    restores the file packed in SRC as DST, with its times
//     packer verify FILE       checks the payload of a packed file against its checksum
//     packer crc FILE          prints the CRC-32 of any whole file
//
// The exit status is 0 on success and otherwise the packed-file result code (1 to 11), with one
// line on stderr that names its meaning; a malformed command line exits with 64.
#include <cstdio>
#include <cstring>

#include "common/s_file.h"
#include "packer/s_packerUI.h"

namespace {

constexpr int kUsageError = 64;  // EX_USAGE

int Usage() {
    std::fprintf(stderr,
                 "usage: packer pack SRC DST | unpack SRC DST | verify FILE | crc FILE\n"
                 "exit status: 0 success, 1-11 the packed-file result code, %d usage error\n",
                 kUsageError);
    return kUsageError;
}

int Report(const char* command, const char* path, int32_t code) {
    if (code != kPackOk)
        std::fprintf(stderr, "packer: %s %s: %s (%d)\n", command, path, PackerUI::ResultText(code), int(code));
    return code;
}

int Crc(const char* path) {
    if (!gFileUtil.FileExists(path))
        return Report("crc", path, kPackSourceMissing);
    // FileCrc answers 0 for a file it cannot read, and for an empty one.
    uint32_t crc = gPacker.FileCrc(path);
    if (crc == 0)
        return Report("crc", path, kPackNoData);
    std::printf("%08x  %s\n", unsigned(crc), path);
    return kPackOk;
}

int Verify(const char* path) {
    int32_t code = gPacker.VerifyPackedFile(path);
    if (code == kPackOk)
        std::printf("%s: ok (payload crc %08x)\n", path, unsigned(gPacker.LastPackedCrc()));
    return Report("verify", path, code);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return Usage();
    const char* command = argv[1];
    if (argc == 4 && std::strcmp(command, "pack") == 0)
        return Report(command, argv[2], gPacker.PackFile(argv[2], argv[3]));
    if (argc == 4 && std::strcmp(command, "unpack") == 0)
        return Report(command, argv[2], gPacker.UnpackFile(argv[2], argv[3]));
    if (argc == 3 && std::strcmp(command, "verify") == 0)
        return Verify(argv[2]);
    if (argc == 3 && std::strcmp(command, "crc") == 0)
        return Crc(argv[2]);
    return Usage();
}
