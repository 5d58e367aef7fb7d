#include "core/ProfileFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "core/TextCodec.h"
#include "resources/TextTable.h"

namespace dedevev {

namespace {

// The section name of a header line, or empty when the line is no header. Same rule as
// the reader: the first ']' at least two characters after the first '['.
std::u16string_view HeaderName(std::u16string_view line) {
    const std::u16string_view trimmed = TrimView(line);
    const std::size_t open = trimmed.find(u'[');
    const std::size_t close = trimmed.find(u']');
    if (open == std::u16string_view::npos || close == std::u16string_view::npos ||
        close < open + 2) {
        return {};
    }
    return TrimView(trimmed.substr(open + 1, close - open - 1));
}

bool IsHeader(std::u16string_view line) {
    return !HeaderName(line).empty();
}

std::u16string_view KeyOf(std::u16string_view line) {
    const std::u16string_view trimmed = TrimView(line);
    const std::size_t eq = trimmed.find(u'=');
    if (eq == std::u16string_view::npos || eq == 0)
        return {};
    return TrimView(trimmed.substr(0, eq));
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view bytes, unsigned mode) {
    const std::size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    bool ok = ::fchmod(fd, static_cast<mode_t>(mode)) == 0 &&
              WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok)
        ok = ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable.
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

ProfileFile::ProfileFile(std::string path) : path_(std::move(path)) {
    std::string bytes;
    if (!ReadWholeFile(path_, &bytes))
        return;
    std::u16string text;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        utf16_ = true;
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                 (static_cast<unsigned char>(bytes[i + 1]) << 8)));
        }
    } else {
        text = Utf8ToUtf16(bytes);
    }
    std::size_t pos = 0;
    bool saw_lf_only = false;
    bool saw_crlf = false;
    while (pos < text.size()) {
        std::size_t end = text.find(u'\n', pos);
        Line line;
        if (end == std::u16string::npos) {
            line.text = text.substr(pos);
            pos = text.size();
        } else {
            line.text = text.substr(pos, end - pos);
            line.ending = u"\n";
            if (!line.text.empty() && line.text.back() == u'\r') {
                line.text.pop_back();
                line.ending = u"\r\n";
                saw_crlf = true;
            } else {
                saw_lf_only = true;
            }
            pos = end + 1;
        }
        lines_.push_back(std::move(line));
    }
    if (saw_lf_only && !saw_crlf)
        default_ending_ = u"\n";
}

void ProfileFile::Set(std::u16string_view section, std::u16string_view key,
                      std::u16string_view value) {
    std::u16string new_line(key);
    new_line += u'=';
    new_line += value;

    // Find the section (the last one of that name counts, as the reader keeps the last).
    std::size_t header = lines_.size();
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (EqualsNoCase(HeaderName(lines_[i].text), section))
            header = i;
    }
    if (header == lines_.size()) {
        if (!lines_.empty() && lines_.back().ending.empty())
            lines_.back().ending = default_ending_;
        std::u16string header_line = u"[";
        header_line += section;
        header_line += u"]";
        lines_.push_back(Line{std::move(header_line), default_ending_});
        lines_.push_back(Line{std::move(new_line), default_ending_});
        return;
    }
    std::size_t end = header + 1;
    while (end < lines_.size() && !IsHeader(lines_[end].text))
        ++end;
    std::size_t last_content = header;
    for (std::size_t i = header + 1; i < end; ++i) {
        if (EqualsNoCase(KeyOf(lines_[i].text), key)) {
            lines_[i].text = std::move(new_line);
            return;
        }
        if (!TrimView(lines_[i].text).empty())
            last_content = i;
    }
    Line added{std::move(new_line), lines_[last_content].ending};
    if (added.ending.empty()) {
        lines_[last_content].ending = default_ending_;
        added.ending = u"";
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(last_content + 1), std::move(added));
}

std::u16string ProfileFile::Text() const {
    std::u16string text;
    for (const Line& line : lines_) {
        text += line.text;
        text += line.ending;
    }
    return text;
}

bool ProfileFile::Save(unsigned mode) const {
    const std::u16string text = Text();
    std::string bytes;
    if (utf16_) {
        bytes.reserve(2 + text.size() * 2);
        bytes.push_back(static_cast<char>(0xFF));
        bytes.push_back(static_cast<char>(0xFE));
        for (char16_t c : text) {
            bytes.push_back(static_cast<char>(c & 0xFF));
            bytes.push_back(static_cast<char>(c >> 8));
        }
    } else {
        bytes = Utf16ToUtf8(text);
    }
    return WriteFileAtomically(path_, bytes, mode);
}

bool WriteProfileString(const std::string& path, std::u16string_view section,
                        std::u16string_view key, std::u16string_view value) {
    ProfileFile file(path);
    file.Set(section, key, value);
    return file.Save();
}

}  // namespace dedevev
