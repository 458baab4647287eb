// msi-registry RGS IDL OUTPUT
// Writes the installer's registry rows for Hollin.dll (a WiX include, see Tarnwick.wxs): the
// keys of its registration script RGS, and the keys the system writes for the type library
// compiled from IDL. Both come from the files the DLL itself is built from, so the installed
// registration is the DLL's own.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "TypeLibraryKeys.h"
#include "WixRegistryRows.h"

namespace {

// Stand-ins for the installed paths, which only the installer knows. The ids are those
// Tarnwick.wxs gives Hollin.dll and the installation folder; "[INSTALLDIR]" ends with a
// backslash, as every folder path of the installer does.
const std::string kModule = "\x01module\x01";
const std::string kFolder = "\x01folder\x01";
const std::map<std::string, std::string> kReferences{{kModule, "[#HollinDll]"}, {kFolder, "[INSTALLDIR]"}};

bool Read(const char* path, std::string& text)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    text = content.str();
    return file.good() || file.eof();
}

int Fail(const std::string& what)
{
    std::cerr << "msi-registry: " << what << "\n";
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) return Fail("usage: msi-registry RGS IDL OUTPUT");
    std::string rgs, idl, error;
    if (!Read(argv[1], rgs)) return Fail(std::string(argv[1]) + ": cannot be read");
    if (!Read(argv[2], idl)) return Fail(std::string(argv[2]) + ": cannot be read");

    std::vector<RegistryScript> scripts(2);
    if (!ParseRegistryScript(rgs, {{"MODULE", kModule}}, scripts[0], error)) return Fail(std::string(argv[1]) + ": " + error);
    if (!TypeLibraryKeys(idl, kModule, kFolder, scripts[1], error)) return Fail(std::string(argv[2]) + ": " + error);
    std::string include;
    if (!WixRegistryRows(scripts, kReferences, include, error)) return Fail(error);

    std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
    out << include;
    out.close();
    if (!out) return Fail(std::string(argv[3]) + ": cannot be written");
    return 0;
}
