// Event scripts: one input event a line, so that a run can be repeated
// exactly or made without anybody at the screen.
//
//   click X Y        a press at page coordinates
//   point X Y        a press at world coordinates of what is drawn now
//   move X Y         the pointer moved to page coordinates, no press
//   hover X Y        the pointer moved to world coordinates, no press
//   click "LABEL"    a press on the labelled button or list entry now shown
//   text "STRING"    the string typed, then Return
//   tab "STRING"     the string typed, then Tab
//   key NAME         Up, Down, Left, Right, BackSpace, Return, Tab, ClearLine
//   expose           the window uncovered
//   resize W H       the window resized to W by H pixels
//   snapshot NAME    the page written as NAME.png
// A '#' outside quotes starts a comment.

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <vector>

#include "io/status.h"
#include "lg/lg.h"
#include "lg/window/device_events.h"

namespace {

constexpr long long MAX_SCRIPT_BYTES = 16 * 1024 * 1024;

struct Word
{
    std::string text;
    bool quoted = false;
};

// Splits a line into words and quoted strings (with \" and \\ inside quotes);
// false for an unterminated string.
bool split_words(std::string_view line, std::vector<Word>& words)
{
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
        } else if (c == '#') {
            break;
        } else if (c == '"') {
            Word word{"", true};
            ++i;
            bool closed = false;
            while (i < line.size()) {
                if (line[i] == '\\' && i + 1 < line.size()) {
                    word.text += line[i + 1];
                    i += 2;
                } else if (line[i] == '"') {
                    closed = true;
                    ++i;
                    break;
                } else {
                    word.text += line[i++];
                }
            }
            if (!closed) return false;
            words.push_back(word);
        } else {
            Word word;
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' &&
                   line[i] != '"')
                word.text += line[i++];
            words.push_back(word);
        }
    }
    return true;
}

// A finite number: "nan" and "inf" are no position anybody can click.
bool to_number(const Word& word, float& value)
{
    if (word.quoted || word.text.empty()) return false;
    char* end = nullptr;
    value = std::strtof(word.text.c_str(), &end);
    return end != nullptr && *end == '\0' && std::isfinite(value);
}

bool to_size(const Word& word, int& value)
{
    float number = 0.0f;
    if (!to_number(word, number) || number < 1.0f || number > 4096.0f ||
        number != static_cast<float>(static_cast<int>(number)))
        return false;
    value = static_cast<int>(number);
    return true;
}

class ScriptSource : public EventSource
{
public:
    ScriptSource(std::vector<std::string> lines, const ScriptTarget& target)
        : lines_(std::move(lines)), target_(target)
    {
    }

    bool next(DeviceEvent& event, bool block) override
    {
        (void)block;
        while (pending_.empty()) {
            if (ended_) return false;
            if (line_ >= lines_.size()) {
                io_say("ERROR: Event script ended while input was awaited");
                ended_ = true;
                return false;
            }
            std::string reason;
            if (!translate(lines_[line_], reason)) {
                io_say("ERROR: Bad event script line " + std::to_string(line_ + 1) + ": " +
                       lines_[line_].substr(0, 200));
                io_say("       (" + reason + ")");
                ended_ = true;
                return false;
            }
            ++line_;
        }
        event = pending_.front();
        pending_.pop_front();
        return true;
    }

    bool ended() const override { return ended_; }

private:
    void press_at(int x, int y)
    {
        DeviceEvent e;
        e.kind = DeviceEvent::Kind::press;
        e.x = x;
        e.y = y;
        pending_.push_back(e);
    }

    // A press at a page position, exactly; positions far off the page stay
    // far off it, without growing past what later conversions can take.
    void press_at_page(float page_x, float page_y)
    {
        page_x = std::clamp(page_x, -100.0f, 100.0f);
        page_y = std::clamp(page_y, -100.0f, 100.0f);
        int px = 0;
        int py = 0;
        target_.page_to_pixel(page_x, page_y, px, py);
        press_at(px, py);
        pending_.back().exact = true;
        pending_.back().page_x = page_x;
        pending_.back().page_y = page_y;
    }

    // The pointer moved there, no button pressed.
    void pointer_at(int x, int y)
    {
        DeviceEvent e;
        e.kind = DeviceEvent::Kind::motion;
        e.x = x;
        e.y = y;
        pending_.push_back(e);
    }

    void key(int name)
    {
        DeviceEvent e;
        e.kind = DeviceEvent::Kind::key;
        e.key = name;
        pending_.push_back(e);
    }

    void type(const std::string& text)
    {
        for (char c : text) {
            DeviceEvent e;
            e.kind = DeviceEvent::Kind::character;
            e.ch = c;
            pending_.push_back(e);
        }
    }

    // Turns one script line into device events; false with a reason when the
    // line means nothing.
    bool translate(const std::string& line, std::string& reason)
    {
        std::vector<Word> w;
        if (!split_words(line, w)) {
            reason = "a string is not closed";
            return false;
        }
        if (w.empty()) return true;
        const std::string& verb = w[0].text;
        const std::size_t n = w.size();
        if (w[0].quoted) {
            reason = "a line starts with a word";
            return false;
        }
        if (verb == "click" && n == 2 && w[1].quoted) {
            float x = 0.0f;
            float y = 0.0f;
            if (!LG_FIND_TARGET(w[1].text, x, y)) {
                reason = "no button or entry labelled \"" + w[1].text + "\" is shown";
                return false;
            }
            int px = 0;
            int py = 0;
            target_.page_to_pixel(x, y, px, py);
            press_at(px, py);
            return true;
        }
        if ((verb == "click" || verb == "point" || verb == "move" || verb == "hover") && n == 3) {
            float x = 0.0f;
            float y = 0.0f;
            if (!to_number(w[1], x) || !to_number(w[2], y)) {
                reason = "two numbers are needed";
                return false;
            }
            float page_x = x;
            float page_y = y;
            if (verb == "point" || verb == "hover") target_.world_to_page(x, y, page_x, page_y);
            if (verb == "click" || verb == "point") {
                press_at_page(page_x, page_y);
            } else {
                int px = 0;
                int py = 0;
                target_.page_to_pixel(page_x, page_y, px, py);
                pointer_at(px, py);
            }
            return true;
        }
        if ((verb == "text" || verb == "tab") && n == 2 && w[1].quoted) {
            type(w[1].text);
            key(verb == "text" ? DeviceEvent::enter : DeviceEvent::tab);
            return true;
        }
        if (verb == "key" && n == 2) {
            static const std::pair<const char*, int> names[] = {
                {"Up", DeviceEvent::up},       {"Down", DeviceEvent::down},
                {"Left", DeviceEvent::left},   {"Right", DeviceEvent::right},
                {"BackSpace", DeviceEvent::backspace}, {"Return", DeviceEvent::enter},
                {"Tab", DeviceEvent::tab},     {"ClearLine", DeviceEvent::clear_line}};
            for (const auto& [name, code] : names) {
                if (w[1].text == name) {
                    key(code);
                    return true;
                }
            }
            reason = "unknown key name";
            return false;
        }
        if (verb == "expose" && n == 1) {
            DeviceEvent e;
            e.kind = DeviceEvent::Kind::expose;
            pending_.push_back(e);
            return true;
        }
        if (verb == "resize" && n == 3) {
            DeviceEvent e;
            e.kind = DeviceEvent::Kind::resize;
            if (!to_size(w[1], e.width) || !to_size(w[2], e.height)) {
                reason = "two sizes in pixels are needed";
                return false;
            }
            pending_.push_back(e);
            return true;
        }
        if (verb == "snapshot" && n == 2) {
            DeviceEvent e;
            e.kind = DeviceEvent::Kind::snapshot;
            e.name = w[1].text;
            pending_.push_back(e);
            return true;
        }
        reason = "unknown event or wrong number of values";
        return false;
    }

    std::vector<std::string> lines_;
    const ScriptTarget& target_;
    std::size_t line_ = 0;
    std::deque<DeviceEvent> pending_;
    bool ended_ = false;
};

} // namespace

// A script is read whole at the start, so it must be a file that ends: a
// device (/dev/zero), a pipe or a directory would be read for ever or block.
std::unique_ptr<EventSource> open_event_script(const std::string& file, const ScriptTarget& target,
                                               std::string& message)
{
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) {
        message = "ERROR: Cannot read the event script " + file;
        return nullptr;
    }
    if (!S_ISREG(info.st_mode)) {
        message = "ERROR: The event script is not a regular file: " + file;
        return nullptr;
    }
    if (info.st_size > MAX_SCRIPT_BYTES) {
        message = "ERROR: The event script is too large (more than 16 MB): " + file;
        return nullptr;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        message = "ERROR: Cannot read the event script " + file;
        return nullptr;
    }
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return std::make_unique<ScriptSource>(std::move(lines), target);
}

std::string script_quote(std::string_view text)
{
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}
