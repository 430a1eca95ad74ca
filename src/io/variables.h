#pragma once
// The variables a user assigns in typed answers. They last for the run, and
// each keeps the type of the value it was created with. Text values live one
// after another in a text pool, compacted when one is replaced.

#include <string>
#include <string_view>

#include "io/evaluate.h"

constexpr int IO_VAR_MAX = 500;

// Names: a letter, then letters, digits, '_' and '#'; at most 32 characters.
inline bool io_name_start(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
inline bool io_name_char(char c)
{
    return io_name_start(c) || (c >= '0' && c <= '9') || c == '_' || c == '#';
}
bool io_variable_name(std::string_view name);

// Creates the variable, or assigns to it. retstat: 0 stored; 1 refused (not
// a name, another type than the variable's, text too long, store full), with
// a console warning, the store unchanged.
void IO_SET_VARIABLE(std::string_view name, const IoValue& value, int& retstat, int& status);
// Replaces the text of text variable number (from 1).
void IO_SET_VARSTR(int number, std::string_view text, int& status);
// Removes characters start (0-based) to start + length - 1 from the text
// pool, and moves the texts after them down; status 10005 when the range is
// not in the pool.
void IO_VARKILLSTR(std::size_t start, std::size_t length, int& status);
// Moves the references of texts beyond start down by length.
void IO_SET_VARCOMPACT(std::size_t start, std::size_t length, int& status);

void IO_INQ_VARIABLE(std::string_view name, bool& found, IoValue& value, int& status);
// The number (from 1) of a variable; 0 when there is none of the name.
int IO_VAR_NUMBER(std::string_view name, int& status);
// Name and value of variable number (from 1); status 10017 when there is none.
void IO_INQ_VARNUM(int number, std::string& name, IoValue& value, int& status);
// Number of variables and of text-pool characters in use.
int IO_INQ_VARIABLES_SIZE(std::size_t& pool_used);

// Empties the store.
void IO_DEF_VARIABLES(int& status);
