#include "ui/event_script.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <span>

#include "ui/script_names.h"

namespace trivane {

namespace {

bool parseInt(std::string_view text, int64_t minimum, int64_t maximum, int32_t& out) {
    text = trimBlanks(text);
    if (text.empty()) return false;
    int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size() || value < minimum || value > maximum) return false;
    out = static_cast<int32_t>(value);
    return true;
}

// An integer, or a name of the table.
bool parseIntOrName(std::string_view text, std::span<const ScriptName> names, int32_t& out) {
    if (parseInt(text, INT32_MIN, INT32_MAX, out)) return true;
    const std::optional<int32_t> named = valueOfName(names, text);
    if (named) out = *named;
    return named.has_value();
}

// Exactly `count` comma-separated integers; where names[i] is given, field i
// may be one of its names instead.
bool parseInts(std::string_view text, int count, int32_t* out, const int64_t* minimum, const int64_t* maximum,
               const std::span<const ScriptName>* names = nullptr) {
    for (int i = 0; i < count; ++i) {
        const size_t comma = text.find(',');
        const bool last = i == count - 1;
        if (last != (comma == std::string_view::npos)) return false;
        const std::string_view field = text.substr(0, comma);
        if (names != nullptr && !names[i].empty() ? !parseIntOrName(field, names[i], out[i])
                                                  : !parseInt(field, minimum[i], maximum[i], out[i]))
            return false;
        if (!last) text.remove_prefix(comma + 1);
    }
    return true;
}

constexpr int64_t kIntMin = INT32_MIN;
constexpr int64_t kIntMax = INT32_MAX;
constexpr const char* kKeyExpected = "one integer or a key name";

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The length of one valid UTF-8 sequence at text, or 0.
size_t utf8Length(std::string_view text) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    const size_t length = lead < 0x80 ? 1 : lead >= 0xc2 && lead < 0xe0 ? 2 : lead >= 0xe0 && lead < 0xf0 ? 3
                          : lead >= 0xf0 && lead < 0xf5 ? 4 : 0;
    if (length == 0 || length > text.size()) return 0;
    for (size_t i = 1; i < length; ++i)
        if ((byte(i) & 0xc0) != 0x80) return 0;
    // Overlong forms, surrogates and values past U+10FFFF.
    if ((lead == 0xe0 && byte(1) < 0xa0) || (lead == 0xed && byte(1) >= 0xa0) || (lead == 0xf0 && byte(1) < 0x90) ||
        (lead == 0xf4 && byte(1) >= 0x90))
        return 0;
    return length;
}

// A quoted load path: its closing quote is found and its escapes undone;
// `rest` then starts after the quote. Empty optional when unterminated or
// holding an escape other than \" and \\.
std::optional<std::string> unquote(std::string_view& rest) {
    std::string path;
    for (size_t i = 1; i < rest.size(); ++i) {
        if (rest[i] == '"') {
            rest.remove_prefix(i + 1);
            return path;
        }
        if (rest[i] == '\\') {
            if (++i == rest.size() || (rest[i] != '"' && rest[i] != '\\')) return std::nullopt;
        }
        path += rest[i];
    }
    return std::nullopt;
}

// The next event's text and, for a quoted load path, the path; script is
// left after the event's separator. False with error set on a bad quote.
bool nextItem(std::string_view& script, std::string_view& item, std::optional<std::string>& quoted,
              std::string& error) {
    quoted.reset();
    std::string_view rest = script.substr(std::min(script.size(), script.find_first_not_of(" \t\r\n")));
    if (rest.substr(0, 5) == "load:") {
        std::string_view path = rest.substr(5);
        path.remove_prefix(std::min(path.size(), path.find_first_not_of(" \t\r\n")));
        if (!path.empty() && path[0] == '"') {
            const std::string_view start = rest;
            quoted = unquote(path);
            size_t after = 0;
            while (after < path.size() && isBlank(path[after])) ++after;
            if (!quoted || (after < path.size() && path[after] != ';')) {
                const size_t shown = std::min(start.size(), start.find(';', start.size() - path.size()));
                error = "bad event \"" + printable(start.substr(0, shown)) +
                        "\": a quoted path ends with its one closing \", and holds \\\" for \" and \\\\ for \\";
                return false;
            }
            item = start.substr(0, start.size() - path.size());
            script = path.substr(std::min(path.size(), after + 1));
            return true;
        }
    }
    const size_t separator = script.find(';');
    item = trimBlanks(script.substr(0, separator));
    script = separator == std::string_view::npos ? std::string_view{} : script.substr(separator + 1);
    return true;
}

}  // namespace

std::string printable(std::string_view text) {
    static const char kHex[] = "0123456789abcdef";
    std::string shown;
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const size_t length = c < 0x20 || c == 0x7f ? 0 : utf8Length(text.substr(i));
        if (length > 0) {
            shown.append(text.substr(i, length));
            i += length;
        } else {
            shown += "\\x";
            shown += kHex[c >> 4];
            shown += kHex[c & 15];
            ++i;
        }
    }
    return shown;
}

bool parseEventScript(std::string_view script, std::vector<ScriptEvent>& events, std::string& error) {
    events.clear();
    while (!script.empty()) {
        std::string_view item;
        std::optional<std::string> quoted;
        if (!nextItem(script, item, quoted, error)) return false;
        if (!item.empty()) {
            const size_t colon = item.find(':');
            const std::string_view name = item.substr(0, colon);
            const bool hasArgument = colon != std::string_view::npos;
            const std::string_view argument = hasArgument ? item.substr(colon + 1) : std::string_view{};
            ScriptEvent e;
            using K = ScriptEvent::Kind;
            const int64_t anyMin[3] = {kIntMin, kIntMin, 0};
            const int64_t anyMax[3] = {kIntMax, kIntMax, 65535};
            int32_t values[3] = {0, 0, 0};
            bool ok = true;
            const char* expected = nullptr;  // what the argument should look like
            auto one = [&](K kind, std::span<const ScriptName> names, const char* what) {
                e.kind = kind;
                expected = what;
                ok = hasArgument && parseIntOrName(argument, names, e.a);
            };
            auto point = [&](K kind) {
                e.kind = kind;
                expected = "two integers X,Y";
                ok = hasArgument && parseInts(argument, 2, values, anyMin, anyMax);
                e.a = values[0];
                e.b = values[1];
            };
            auto bare = [&](K kind) {
                e.kind = kind;
                expected = "no argument";
                ok = !hasArgument;
            };
            if (name == "frame") bare(K::Frame);
            else if (name == "key") one(K::Key, keyNames(), kKeyExpected);
            else if (name == "down") one(K::Down, keyNames(), kKeyExpected);
            else if (name == "up") one(K::Up, keyNames(), kKeyExpected);
            else if (name == "menu") one(K::Menu, menuNames(), "one integer or a menu name");
            else if (name == "wheel") {
                one(K::Wheel, {}, "notches with their sign (+1, -2) or one integer (the raw wheel word)");
                const std::optional<int32_t> notches = hasArgument ? wheelOfNotches(argument) : std::nullopt;
                if (notches) e.a = *notches, ok = true;
            }
            else if (name == "lbdown") point(K::LeftDown);
            else if (name == "rbdown") point(K::RightDown);
            else if (name == "move") point(K::Move);
            else if (name == "lbup") bare(K::LeftUp);
            else if (name == "rbup") bare(K::RightUp);
            else if (name == "load") {
                e.kind = K::Load;
                expected = "a path";
                e.path = quoted ? *quoted : std::string(trimBlanks(argument));
                ok = hasArgument && !e.path.empty();
            } else if (name == "dialog") {
                e.kind = K::Dialog;
                expected = "ROW,CODE,THUMB: a row name or id, a scroll name or code, THUMB in 0..65535";
                const std::span<const ScriptName> names[3] = {dialogRowNames(), scrollCodeNames(), {}};
                ok = hasArgument && parseInts(argument, 3, values, anyMin, anyMax, names);
                e.a = values[0];
                e.b = values[1];
                e.c = values[2];
            } else {
                error = "unknown event \"" + printable(item) + "\"";
                return false;
            }
            if (!ok) {
                error = "bad event \"" + printable(item) + "\": " + printable(name) + " takes " + expected;
                return false;
            }
            events.push_back(std::move(e));
        }
    }
    return true;
}

namespace {

// A path as a load event names it: quoted where it would otherwise not read
// back as the same path.
std::string scriptPath(const std::string& path) {
    const bool plain = !path.empty() && path.find_first_of(";\r\n") == std::string::npos && path[0] != '"' &&
                       !isBlank(path.front()) && !isBlank(path.back());
    if (plain) return path;
    std::string quoted = "\"";
    for (const char c : path) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

// A value by its name where the table has one.
std::string named(std::span<const ScriptName> names, int32_t value) {
    const char* name = nameOfValue(names, value);
    return name != nullptr ? std::string(name) : std::to_string(value);
}

}  // namespace

std::string formatEvent(const ScriptEvent& e) {
    using K = ScriptEvent::Kind;
    const auto point = [&](const char* name) { return std::string(name) + std::to_string(e.a) + "," + std::to_string(e.b); };
    switch (e.kind) {
        case K::Frame: return "frame";
        case K::Key: return "key:" + named(keyNames(), e.a);
        case K::Down: return "down:" + named(keyNames(), e.a);
        case K::Up: return "up:" + named(keyNames(), e.a);
        case K::Menu: return "menu:" + named(menuNames(), e.a);
        case K::Load: return "load:" + scriptPath(e.path);
        case K::LeftDown: return point("lbdown:");
        case K::LeftUp: return "lbup";
        case K::RightDown: return point("rbdown:");
        case K::RightUp: return "rbup";
        case K::Move: return point("move:");
        case K::Wheel: {
            const std::string notches = notchesOfWheel(e.a);
            return "wheel:" + (notches.empty() ? std::to_string(e.a) : notches);
        }
        case K::Dialog:
            return "dialog:" + named(dialogRowNames(), e.a) + "," + named(scrollCodeNames(), e.b) + "," +
                   std::to_string(e.c);
    }
    return {};
}

void ScriptPlayer::runLightMaterialDialog() {
    // Opened and closed with its button, no scroll bar touched.
    LightMaterialDialog dialog = session_.lightMaterialDialog(*this);
    dialog.onInitDialog();
    dialog.onCommand(1);
}

std::optional<std::string> ScriptPlayer::pickModelFile() { return std::nullopt; }

void ScriptPlayer::showLoadReport(const std::string& path, const LoadReport& report) {
    const std::string message = report.message(path);
    if (!message.empty()) loadMessages_.push_back(message);
    // The file named was not read either way: scripts must notice.
    if (!report.loaded() || report.fellBack) loadFailed_ = true;
}

size_t ScriptPlayer::play(const std::vector<ScriptEvent>& events) {
    using K = ScriptEvent::Kind;
    Session& s = session_;
    size_t i = 0;
    while (i < events.size() && !quitRequested_) {
        const ScriptEvent& e = events[i];
        switch (e.kind) {
            case K::Frame: s.frame(); break;
            case K::Key:
                s.key(e.a, true);
                s.key(e.a, false);
                break;
            case K::Down: s.key(e.a, true); break;
            case K::Up: s.key(e.a, false); break;
            case K::Menu: s.menuCommand(*this, e.a); break;
            case K::Load: s.openModel(*this, e.path); break;
            case K::LeftDown: s.leftButtonDown(e.a, e.b); break;
            case K::LeftUp: s.leftButtonUp(); break;
            case K::RightDown: s.rightButtonDown(e.a, e.b); break;
            case K::RightUp: s.rightButtonUp(); break;
            case K::Move: s.mouseMove(e.a, e.b); break;
            case K::Wheel: s.mouseWheel(e.a); break;
            case K::Dialog: {
                // A run of scroll events is one opening of the dialog.
                LightMaterialDialog dialog = s.lightMaterialDialog(*this);
                dialog.onInitDialog();
                while (i < events.size() && events[i].kind == K::Dialog) {
                    dialog.onScroll(events[i].a, events[i].b, events[i].c);
                    ++i;
                }
                dialog.onCommand(1);
                s.dialogClosed();
                continue;
            }
        }
        ++i;
    }
    return i;
}

}  // namespace trivane
