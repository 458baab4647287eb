#include "CommandLine.h"

CString ArgumentText(std::string_view line)
{
    std::size_t at = 0;
    if (!line.empty() && line[0] == '"') {
        at = line.find('"', 1);
        at = at == std::string_view::npos ? line.size() : at + 1;
    } else {
        while (at < line.size() && static_cast<unsigned char>(line[at]) > ' ') ++at;
    }
    while (at < line.size() && static_cast<unsigned char>(line[at]) >= 1 && static_cast<unsigned char>(line[at]) <= ' ')
        ++at;
    return CString(line.substr(at));
}

ArgumentForm ClassifyArgument(const CString& argument)
{
    if (argument.IsEmpty()) return ArgumentForm::Empty;
    return argument.GetAt(argument.GetLength() - 1) == ',' ? ArgumentForm::MovieList : ArgumentForm::PageAddress;
}
