#include "io/variables.h"

#include <algorithm>
#include <vector>

#include "io/status.h"

namespace {

// "First dimension data region illegally defined": a text reference outside the pool.
constexpr int BAD_TEXT_REFERENCE = 5;

struct Variable
{
    std::string name;
    IoValue value; // the text of a text variable is in the pool, not here
    std::size_t text_start = 0;
    std::size_t text_length = 0;
};

// The store of the run.
std::vector<Variable> variables;
std::string text_pool;

Variable* find(std::string_view name)
{
    for (auto& v : variables)
        if (v.name == name) return &v;
    return nullptr;
}

IoValue value_of(const Variable& v)
{
    IoValue value = v.value;
    if (value.type == IoType::character) value.text = text_pool.substr(v.text_start, v.text_length);
    return value;
}

} // namespace

bool io_variable_name(std::string_view name)
{
    if (name.empty() || name.size() > IO_EVAL_MAX_TOKEN || !io_name_start(name.front()))
        return false;
    return std::all_of(name.begin(), name.end(), io_name_char);
}

void IO_SET_VARIABLE(std::string_view name, const IoValue& value, int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine IO_SET_VARIABLE V0.1")) return;
    retstat = 1;
    if (!io_variable_name(name)) {
        io_say("WARNING: Not a variable name: " + std::string(name));
        return;
    }
    if (value.type == IoType::character && value.text.size() > IO_EVAL_MAX_TEXT) {
        io_say("WARNING: Text longer than 256 characters cannot be stored");
        return;
    }
    if (value.type != IoType::integer && value.type != IoType::real &&
        value.type != IoType::logical && value.type != IoType::character) {
        io_say("WARNING: No value to store in " + std::string(name));
        return;
    }
    Variable* v = find(name);
    if (v == nullptr) {
        if (static_cast<int>(variables.size()) >= IO_VAR_MAX) {
            io_say("WARNING: No room for more variables");
            return;
        }
        Variable created;
        created.name = std::string(name);
        created.value.type = value.type;
        created.text_start = text_pool.size();
        variables.push_back(created);
        v = &variables.back();
    } else if (v->value.type != value.type) {
        io_say("WARNING: Attempt to change data type or variable");
        return;
    }
    if (value.type == IoType::character) {
        IO_SET_VARSTR(static_cast<int>(v - variables.data()) + 1, value.text, status);
    } else {
        v->value = value;
    }
    retstat = 0;
}

// The old text leaves the pool and the new one goes to its end, so the pool
// never holds more than the texts in use.
void IO_SET_VARSTR(int number, std::string_view text, int& status)
{
    constexpr std::string_view position = "Subroutine IO_SET_VARSTR V0.1";
    if (!st_enter(status, position)) return;
    if (number < 1 || number > static_cast<int>(variables.size()) ||
        variables[number - 1].value.type != IoType::character) {
        st_fail(status, ST_MOD_IO + ST_BAD_INT, position);
        return;
    }
    Variable& v = variables[number - 1];
    const std::size_t length = v.text_length;
    v.text_length = 0;
    IO_VARKILLSTR(v.text_start, length, status);
    if (status != ST_GOOD_VALUE) return;
    v.text_start = text_pool.size();
    v.text_length = text.size();
    text_pool += text;
}

void IO_VARKILLSTR(std::size_t start, std::size_t length, int& status)
{
    constexpr std::string_view position = "Subroutine IO_VARKILLSTR V0.1";
    if (!st_enter(status, position)) return;
    if (start > text_pool.size() || length > text_pool.size() - start) {
        st_fail(status, ST_MOD_IO + BAD_TEXT_REFERENCE, position);
        return;
    }
    if (length == 0) return;
    text_pool.erase(start, length);
    IO_SET_VARCOMPACT(start, length, status);
}

void IO_SET_VARCOMPACT(std::size_t start, std::size_t length, int& status)
{
    if (!st_enter(status, "Subroutine IO_SET_VARCOMPACT V0.1")) return;
    for (auto& v : variables)
        if (v.value.type == IoType::character && v.text_start > start) v.text_start -= length;
}

void IO_INQ_VARIABLE(std::string_view name, bool& found, IoValue& value, int& status)
{
    found = false;
    if (!st_enter(status, "Subroutine IO_INQ_VARIABLE V0.1")) return;
    if (const Variable* v = find(name)) {
        value = value_of(*v);
        found = true;
    }
}

int IO_VAR_NUMBER(std::string_view name, int& status)
{
    if (!st_enter(status, "Function IO_VAR_NUMBER V0.1")) return 0;
    const Variable* v = find(name);
    return v == nullptr ? 0 : static_cast<int>(v - variables.data()) + 1;
}

void IO_INQ_VARNUM(int number, std::string& name, IoValue& value, int& status)
{
    constexpr std::string_view position = "Subroutine IO_INQ_VARNUM V0.1";
    if (!st_enter(status, position)) return;
    if (number < 1 || number > static_cast<int>(variables.size())) {
        st_fail(status, ST_MOD_IO + ST_BAD_INT, position);
        return;
    }
    name = variables[number - 1].name;
    value = value_of(variables[number - 1]);
}

int IO_INQ_VARIABLES_SIZE(std::size_t& pool_used)
{
    pool_used = text_pool.size();
    return static_cast<int>(variables.size());
}

void IO_DEF_VARIABLES(int& status)
{
    if (!st_enter(status, "Subroutine IO_DEF_VARIABLES V0.1")) return;
    variables.clear();
    text_pool.clear();
}
