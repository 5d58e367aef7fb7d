#pragma once
// The line protocol of the card's control channel: one command per line, words separated by
// blanks, "double quotes" around a word with blanks (\" and \\ inside); one answer line,
// "OK[ <text>]" or "ERR <reason>".

#include <string>
#include <string_view>
#include <vector>

namespace dedevev::sim {

// False (with `error`) on an unterminated quote.
bool SplitControlLine(std::string_view line, std::vector<std::string>* words, std::string* error);
// A word in quotes with \" and \\ escaped; line breaks become \n and \r.
std::string QuoteWord(std::string_view text);
// The words of a command line joined back, quoting where needed (for `ctl a b "c d"`).
std::string JoinWords(const std::vector<std::string>& words);

// Sends one command to the control socket at `socket_path` and reads the answer line.
// False when the socket cannot be reached or closes without an answer (`error` says why).
bool SendControl(const std::string& socket_path, const std::string& line, std::string* answer,
                 std::string* error, int timeout_ms = 10000);
// The control socket of the first card announced in `folder`; when none is announced (a
// pulled card), the first control socket in the folder that accepts a connection. Empty when
// there is none.
std::string FindControlSocket(const std::string& folder);

}  // namespace dedevev::sim
