// Helper of the program tests: prints a mail password as the settings store
// keeps it (scrambled with the main window's key), so a script can write a
// settings file the program reads as a user's.
//   scramble_password PLAIN
#include <cstdio>

#include "mail/velk_encryption.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PLAIN\n", argv[0]);
        return 2;
    }
    pontavi::VelkEncryption crypt;
    crypt.Key = "quolavin38";  // the window's key
    crypt.Action = pontavi::atEncryption;
    crypt.Input = argv[1];
    crypt.Apply();
    std::printf("%s\n", crypt.Output.c_str());
    return 0;
}
