#pragma once
// Lines and keys read from the terminal as typed, before any translation:
// the lowest level of every answer.

#include <string>
#include <string_view>

// Writes the prompt without ending the line and reads one terminal line, as
// typed; at the end of input the status is the end-of-input value.
void IO_READ(std::string_view prompt, std::string& line, int& status);
// The characters of the next console read, untranslated (the pager's commands).
void IO_INPUT_KEY(std::string_view prompt, std::string& keys, int& status);
