// The rules are those of the Windows C runtime before 2008 (msvcrt.dll), which the launcher keeps so
// that its arguments never depend on the run time it is linked with:
// - Argument 0: a leading double quote runs to the next double quote, both dropped, with no backslash
//   processing; argument 1 begins right after the closing quote. Otherwise it runs to the first blank
//   or tab, and quotes and backslashes in it are literal.
// - Later arguments are separated by blanks and tabs. A double quote starts or ends a quoted stretch,
//   in which blanks and tabs do not separate, and is dropped.
// - 2n backslashes before a double quote give n backslashes, and the quote acts as above; 2n+1 give
//   n backslashes and a literal quote. Backslashes before anything else are literal.
// - Inside a quoted stretch, "" gives one literal quote and ends the stretch (later run times keep the
//   stretch open; this one does not).
// - The byte after a lead byte of a double-byte code page belongs to that character: it is never read
//   as a blank, tab, double quote or backslash.
// - No wildcard expansion.
#include "argument_split.hpp"

namespace {

bool IsBlank(char byte)
{
    return byte == ' ' || byte == '\t';
}

// Appends the character at position, two bytes if it starts with a lead byte; returns the position
// after it. A lead byte at the very end is copied alone rather than read past the line.
std::size_t CopyCharacter(std::string_view line, std::size_t position, LeadByteTest isLeadByte,
                          std::string& argument)
{
    argument += line[position];
    if (isLeadByte(static_cast<unsigned char>(line[position])) && position + 1 < line.size()) {
        argument += line[position + 1];
        return position + 2;
    }
    return position + 1;
}

std::size_t SplitProgramName(std::string_view line, LeadByteTest isLeadByte, std::string& programName)
{
    std::size_t position = 0;
    if (!line.empty() && line[0] == '"') {
        position = 1;
        while (position < line.size() && line[position] != '"')
            position = CopyCharacter(line, position, isLeadByte, programName);
        return position < line.size() ? position + 1 : position;
    }
    while (position < line.size() && !IsBlank(line[position]))
        position = CopyCharacter(line, position, isLeadByte, programName);
    return position;
}

// Splits one argument that begins at position; returns the position after it.
std::size_t SplitArgument(std::string_view line, std::size_t position, LeadByteTest isLeadByte,
                          std::string& argument)
{
    bool inQuotes = false;
    while (position < line.size()) {
        const std::size_t backslashesStart = position;
        while (position < line.size() && line[position] == '\\')
            ++position;
        const std::size_t backslashes = position - backslashesStart;

        if (position < line.size() && line[position] == '"') {
            argument.append(backslashes / 2, '\\');
            if (backslashes % 2 == 1) {
                argument += '"';
                ++position;
            } else if (inQuotes && position + 1 < line.size() && line[position + 1] == '"') {
                argument += '"';
                position += 2;
                inQuotes = false;
            } else {
                inQuotes = !inQuotes;
                ++position;
            }
            continue;
        }

        argument.append(backslashes, '\\');
        if (position == line.size() || (!inQuotes && IsBlank(line[position])))
            break;
        position = CopyCharacter(line, position, isLeadByte, argument);
    }
    return position;
}

} // namespace

std::vector<std::string> SplitCommandLine(std::string_view commandLine, std::string_view modulePath,
                                          LeadByteTest isLeadByte)
{
    const std::string_view line = commandLine.empty() ? modulePath : commandLine;
    std::vector<std::string> arguments(1);
    std::size_t position = SplitProgramName(line, isLeadByte, arguments[0]);
    for (;;) {
        while (position < line.size() && IsBlank(line[position]))
            ++position;
        if (position == line.size())
            return arguments;
        position = SplitArgument(line, position, isLeadByte, arguments.emplace_back());
    }
}
