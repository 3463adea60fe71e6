#include "PrivateProfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <optional>
#include <string_view>

namespace {

// One line of the file as byte offsets: [begin, end) is its text without the
// line break, next is where the following line starts.
struct Line {
    std::size_t begin;
    std::size_t end;
    std::size_t next;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

// Calls visit(line) for every line; a UTF-8 byte order mark before the first
// line is not part of it.
template <typename Visit>
void ForEachLine(const std::string& text, Visit visit)
{
    std::size_t pos = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (pos < text.size()) {
        std::size_t lf = text.find('\n', pos);
        std::size_t end = lf == std::string::npos ? text.size() : lf;
        std::size_t next = lf == std::string::npos ? text.size() : lf + 1;
        if (end > pos && text[end - 1] == '\r')
            --end;
        visit(Line{pos, end, next});
        pos = next;
    }
}

enum class LineKind { Empty, Comment, Section, Entry };

struct ParsedLine {
    LineKind kind = LineKind::Empty;
    std::string_view name;       // section name or key, trimmed
    std::size_t valueBegin = 0;  // entry: offset of the value after "=" and blanks
    bool hasEquals = false;
};

ParsedLine Parse(const std::string& text, const Line& line)
{
    ParsedLine parsed;
    std::string_view s(text.data() + line.begin, line.end - line.begin);
    std::string_view body = Trim(s);
    if (body.empty())
        return parsed;
    if (body.front() == ';') {
        parsed.kind = LineKind::Comment;
        return parsed;
    }
    if (body.front() == '[') {
        parsed.kind = LineKind::Section;
        std::string_view inner = body.substr(1);
        parsed.name = Trim(inner.substr(0, inner.find(']')));
        return parsed;
    }
    parsed.kind = LineKind::Entry;
    std::size_t eq = s.find('=');
    parsed.hasEquals = eq != std::string_view::npos;
    parsed.name = Trim(s.substr(0, eq));
    if (parsed.hasEquals) {
        std::size_t v = eq + 1;
        while (v < s.size() && IsBlank(s[v]))
            ++v;
        parsed.valueBegin = line.begin + v;
    }
    return parsed;
}

std::string Cut(std::string_view value, std::size_t bufferSize)
{
    if (bufferSize == 0)
        return {};
    return std::string(value.substr(0, bufferSize - 1));
}

// The break that ends a last line lacking one. A lone CR there only needs its LF: a second
// CR would become part of that line's value.
std::string LineBreakAfter(const std::string& text, const char* eol)
{
    return text.back() == '\r' ? "\n" : eol;
}

// The whole file, or nothing when it cannot be read; `missing` tells a file
// that does not exist from one that cannot be read (or is not a regular file).
std::optional<std::string> ReadWholeFile(const std::string& path, bool& missing)
{
    missing = false;
    // Non-blocking, so that a FIFO in the file's place cannot hang the viewer.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        missing = errno == ENOENT;
        return std::nullopt;
    }
    std::optional<std::string> text;
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        text.emplace();
        char buffer[4096];
        for (;;) {
            ssize_t n = read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                text.reset();
            if (n <= 0)
                break;
            text->append(buffer, static_cast<std::size_t>(n));
        }
    }
    close(fd);
    return text;
}

// Writes `contents` to a new file beside `path` and renames it over `path`.
bool ReplaceFile(const std::string& path, const std::string& contents, bool existed)
{
    std::error_code ec;
    std::string target = path;
    if (std::filesystem::is_symlink(path, ec)) {
        auto resolved = std::filesystem::canonical(path, ec);
        if (!ec)
            target = resolved.string();
    }
    mode_t mode = 0666;  // narrowed by the umask, as for any new file
    if (existed) {
        struct stat st {};
        if (stat(target.c_str(), &st) != 0 || access(target.c_str(), W_OK) != 0)
            return false;  // a read-only file stays unwritten
        mode = st.st_mode & 07777;
    }
    std::string temp = target + ".tmp." + std::to_string(getpid());
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0)
        return false;
    if (existed)
        fchmod(fd, mode);
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < contents.size()) {
        ssize_t n = write(fd, contents.data() + done, contents.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            done += static_cast<std::size_t>(n);
    }
    ok = (close(fd) == 0) && ok;
    if (ok)
        ok = rename(temp.c_str(), target.c_str()) == 0;
    if (!ok)
        unlink(temp.c_str());
    return ok;
}

}  // namespace

std::string ReadPrivateProfileString(const std::string& path, const std::string& section,
                                     const std::string& key, const std::string& defaultValue,
                                     std::size_t bufferSize)
{
    bool missing = false;
    std::optional<std::string> text = ReadWholeFile(path, missing);
    if (!text)
        return Cut(defaultValue, bufferSize);

    std::optional<std::string> found;
    bool inSection = false;
    ForEachLine(*text, [&](const Line& line) {
        if (found)
            return;
        ParsedLine parsed = Parse(*text, line);
        if (parsed.kind == LineKind::Section) {
            inSection = SameName(parsed.name, section);
        } else if (parsed.kind == LineKind::Entry && inSection && SameName(parsed.name, key)) {
            std::string_view value;
            if (parsed.hasEquals)
                value = Trim(std::string_view(text->data() + parsed.valueBegin, line.end - parsed.valueBegin));
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                value.back() == value.front())
                value = value.substr(1, value.size() - 2);
            found = std::string(value);
        }
    });
    return Cut(found ? *found : defaultValue, bufferSize);
}

bool WritePrivateProfileString(const std::string& path, const std::string& section,
                               const std::string& key, const std::string& value)
{
    bool missing = false;
    std::optional<std::string> read = ReadWholeFile(path, missing);
    if (!read && !missing)
        return false;
    std::string text = read ? *read : std::string();

    // New lines follow the file's own line breaks.
    std::size_t firstLf = text.find('\n');
    const char* eol = (firstLf != std::string::npos && firstLf > 0 && text[firstLf - 1] == '\r') ? "\r\n" : "\n";

    bool inSection = false;
    bool inFirstSection = false;  // new keys go to the first section of that name
    bool sectionSeen = false;
    std::optional<Line> sectionTail;  // last header or entry line of that first section
    std::optional<Line> keyLine;
    std::size_t keyValueBegin = 0;
    bool keyHasEquals = false;
    ForEachLine(text, [&](const Line& line) {
        if (keyLine)
            return;
        ParsedLine parsed = Parse(text, line);
        if (parsed.kind == LineKind::Section) {
            inSection = SameName(parsed.name, section);
            inFirstSection = inSection && !sectionSeen;
            if (inFirstSection) {
                sectionSeen = true;
                sectionTail = line;
            }
        } else if (parsed.kind == LineKind::Entry && inSection) {
            if (SameName(parsed.name, key)) {
                keyLine = line;
                keyValueBegin = parsed.valueBegin;
                keyHasEquals = parsed.hasEquals;
            } else if (inFirstSection) {
                sectionTail = line;
            }
        }
    });

    std::string entry = key + "=" + value;
    if (keyLine) {
        if (keyHasEquals)
            text.replace(keyValueBegin, keyLine->end - keyValueBegin, value);
        else
            text.insert(keyLine->end, "=" + value);
    } else if (sectionTail) {
        if (sectionTail->next == text.size() && text.back() != '\n')  // last line, no line break
            text.insert(sectionTail->next, LineBreakAfter(text, eol) + entry);
        else
            text.insert(sectionTail->next, entry + eol);
    } else {
        if (!text.empty() && text.back() != '\n')
            text += LineBreakAfter(text, eol);
        text += "[" + section + "]" + eol + entry + eol;
    }
    return ReplaceFile(path, text, !missing);
}
