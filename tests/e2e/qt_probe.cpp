// tonegen_qt_probe: looks into the windows of a running Linux tonegen for
// the end-to-end tests, with the commands and answers of the Windows probe
// (tests/win32/e2e_probe.cpp), so that one set of scenario steps reads both.
//
// How it works: the program runs with the probe's plugin loaded
// (qt_probe_plugin.cpp), which answers on the local socket named by
// TONEGEN_E2E_PROBE what the widgets show; `layout`, `values` and `toggle`
// are worked out here from its listing of the controls, against the core's
// own table of controls and the Settings record's defaults.
//
//   tonegen_qt_probe controls TITLE    one line per control (id, class, rectangle, state, text)
//   tonegen_qt_probe focus TITLE       number of the focused control (-1: none of the window's)
//   tonegen_qt_probe layout TITLE      every control of the main window's table at its place
//   tonegen_qt_probe values TITLE      fields, bars and labels hold the start-up values
//   tonegen_qt_probe position TITLE    "X Y" of the window's top-left corner on the screen
//   tonegen_qt_probe toggle TITLE ID   "CAPTION pressed" or "CAPTION released" of a toggle button
//   tonegen_qt_probe accessible TITLE [ID]  name, value and description of every numbered control
//                                      (or of control ID alone)
// Exit status: 0 success, 1 a check failed, 2 no such window, no program to
// ask or a usage error.
#include "e2e/probe_checks.h"
#include "model/settings.h"
#include "ui/main_window.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using tonegen::ControlSpec;

struct Control {
    int id = -1;
    std::string window_class;
    int x = 0, y = 0, width = 0, height = 0;
    bool checked = false;
    int position = 0;
    std::string text;
};

// The plugin's answer to COMMAND for the window TITLE, without its "ok"
// line; false (and the reason on standard error) when there is none.
bool ask(const std::string& command, const std::string& title, std::string& answer)
{
    const char* path = std::getenv("TONEGEN_E2E_PROBE");
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (!path || std::strlen(path) >= sizeof(address.sun_path)) {
        std::fprintf(stderr, "tonegen_qt_probe: TONEGEN_E2E_PROBE names no socket\n");
        return false;
    }
    std::strcpy(address.sun_path, path);
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (s < 0 || ::connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        std::fprintf(stderr, "tonegen_qt_probe: no program answers on %s\n", path);
        if (s >= 0)
            ::close(s);
        return false;
    }
    const std::string request = command + '\t' + title + '\n';
    bool sent = ::write(s, request.data(), request.size()) == static_cast<ssize_t>(request.size());
    std::string reply;
    char chunk[4096];
    for (ssize_t n; sent && (n = ::read(s, chunk, sizeof(chunk))) > 0;)
        reply.append(chunk, static_cast<std::size_t>(n));
    ::close(s);
    if (reply.rfind("ok\n", 0) != 0) {
        std::fprintf(stderr, "tonegen_qt_probe: %s\n", reply.empty() ? "no answer" : reply.c_str());
        return false;
    }
    answer = reply.substr(3);
    return true;
}

// "key=value" fields of one listed line; the text is the rest of the line.
Control parse(const std::string& line)
{
    Control c;
    const std::size_t text_at = line.find(" text=");
    c.text = text_at == std::string::npos ? "" : line.substr(text_at + 6);
    std::istringstream fields(line.substr(0, text_at));
    std::map<std::string, std::string> f;
    for (std::string field; fields >> field;) {
        const std::size_t eq = field.find('=');
        if (eq != std::string::npos)
            f[field.substr(0, eq)] = field.substr(eq + 1);
    }
    const auto number = [&f](const char* key) { return std::atoi(f[key].c_str()); };
    c.id = number("id");
    c.window_class = f["class"];
    c.x = number("x");
    c.y = number("y");
    c.width = number("w");
    c.height = number("h");
    c.checked = number("checked") != 0;
    c.position = number("pos");
    return c;
}

std::vector<Control> controls_of(const std::string& listing)
{
    std::vector<Control> out;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);)
        out.push_back(parse(line));
    return out;
}

const Control* find(const std::vector<Control>& controls, int id)
{
    for (const Control& c : controls) {
        if (c.id == id)
            return &c;
    }
    return nullptr;
}

// Every control of the core's table where the table puts it; the anonymous
// frames by their rectangles, in order.
int check_layout(const std::vector<Control>& controls)
{
    tonegen::Settings s{};
    tonegen::apply_defaults(s);
    const std::vector<ControlSpec> table = tonegen::main_window_controls(s);
    std::vector<bool> used(controls.size(), false);
    int mismatches = 0;
    for (const ControlSpec& spec : table) {
        bool found = false;
        std::string got = "nothing";
        for (std::size_t i = 0; i < controls.size() && !found; ++i) {
            const Control& c = controls[i];
            if (used[i] || c.id != spec.id)
                continue;
            got = tonegen::probe::describe(c.x, c.y, c.width, c.height);
            found = c.x == spec.x && c.y == spec.y && c.width == spec.width && c.height == spec.height;
            used[i] = found;
        }
        std::printf("%s id=%d %s: wanted %s, %s\n", found ? "ok" : "MISMATCH", spec.id, spec.caption.c_str(),
                    tonegen::probe::describe(spec.x, spec.y, spec.width, spec.height).c_str(),
                    found ? "found" : ("got " + got).c_str());
        if (!found)
            ++mismatches;
    }
    std::printf("%d of %zu controls misplaced\n", mismatches, table.size());
    return mismatches == 0 ? 0 : 1;
}

int check_values(const std::vector<Control>& controls)
{
    const auto read = [&controls](int id, bool position) {
        const Control* c = find(controls, id);
        return !c ? std::string("(none)") : position ? std::to_string(c->position) : c->text;
    };
    return tonegen::probe::check_values([&read](int id) { return read(id, false); },
                                        [&read](int id) { return read(id, true); });
}

int toggle_state(const std::vector<Control>& controls, const char* id_text)
{
    char* end = nullptr;
    const long id = std::strtol(id_text, &end, 10);
    const Control* button = *end == '\0' ? find(controls, static_cast<int>(id)) : nullptr;
    if (!button || button->window_class != "Button") {
        std::fprintf(stderr, "tonegen_qt_probe: no button %s\n", id_text);
        return 2;
    }
    std::printf("%s %s\n", button->text.c_str(), button->checked ? "pressed" : "released");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    const bool one_more = command == "toggle" || (command == "accessible" && argc == 4);
    if (argc != (one_more ? 4 : 3)) {
        std::fprintf(stderr, "usage: tonegen_qt_probe controls|focus|layout|values|position|accessible TITLE\n"
                             "       tonegen_qt_probe toggle|accessible TITLE ID\n");
        return 2;
    }
    const bool listed = command == "layout" || command == "values" || command == "toggle";
    std::string answer;
    if (!ask(listed ? "controls" : command, argv[2], answer))
        return 2;
    if (!listed) {
        if (argc == 4) { // one control's line of the listing
            const std::string line_start = "id=" + std::string(argv[3]) + " ";
            std::istringstream lines(answer);
            for (std::string line; std::getline(lines, line);)
                if (line.rfind(line_start, 0) == 0)
                    std::printf("%s\n", line.c_str());
            return 0;
        }
        std::fputs(answer.c_str(), stdout);
        return 0;
    }
    const std::vector<Control> controls = controls_of(answer);
    if (command == "layout")
        return check_layout(controls);
    if (command == "values")
        return check_values(controls);
    return toggle_state(controls, argv[3]);
}
