// trust_ca add|remove FILE
// Trusts, or stops trusting, the test CA in FILE (DER) in this Wine prefix, so that the https
// benchmark's references check the same certificate chain the program does.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "TestCa.h"

int main(int argc, char** argv)
{
    if (argc != 3 || (std::strcmp(argv[1], "add") != 0 && std::strcmp(argv[1], "remove") != 0)) {
        std::fprintf(stderr, "usage: trust_ca add|remove FILE\n");
        return 2;
    }
    std::ifstream in(argv[2], std::ios::binary);
    const std::vector<BYTE> der{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (der.empty()) {
        std::fprintf(stderr, "trust_ca: cannot read %s\n", argv[2]);
        return 1;
    }
    if (std::strcmp(argv[1], "remove") == 0) {
        ForgetTestCa(der);
        return 0;
    }
    return TrustTestCa(der) ? 0 : 1;
}
