#pragma once
// The answers of a settings command to the forms that carry no arguments. Such a command answers
// AT+CMD=? with the values it takes, AT+CMD? with its current value and a bare AT+CMD with ERROR
// (a few with OK); only AT+CMD=<args> needs code of its own.

#include <optional>
#include <string>
#include <utility>

#include "sim/CommandTable.h"

namespace dedevev::sim {

struct SettingAnswers {
    std::string test;               // the line before OK for AT+CMD=?
    std::string query;              // the line before OK for AT+CMD?
    Result exec = Result::Error();  // AT+CMD
};

// The answer to a test, query or bare call from `answers`; nothing for a set call, whose
// arguments the command reads itself.
inline std::optional<Result> AnswerUnlessSet(const Call& call, SettingAnswers answers) {
    switch (call.form) {
        case Form::kTest:
            return Result::Line(std::move(answers.test));
        case Form::kQuery:
            return Result::Line(std::move(answers.query));
        case Form::kExec:
            return std::move(answers.exec);
        case Form::kSet:
            break;
    }
    return std::nullopt;
}

}  // namespace dedevev::sim
