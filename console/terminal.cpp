// Line editing on a terminal: libedit (BSD editline) reads each answer with the
// usual editing keys and a history of the session's lines. Ctrl-C and a lone
// Esc cancel the prompt being answered; the process is not ended by Ctrl-C.
#include "terminal.h"

#ifdef CADHOST_LINE_EDITING

#include <histedit.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>

namespace {

volatile sig_atomic_t interrupted = 0;

void onInterrupt(int) { interrupted = 1; }

struct State {
    EditLine* el = nullptr;
    History* history = nullptr;
    std::string prompt;
    bool cancelled = false;
};

State& state() {
    static State s;
    return s;
}

char* promptOf(EditLine*) { return state().prompt.data(); }

// Ctrl-C (also as a signal while reading) and a lone Esc end the line as a cancel.
unsigned char cancelKey(EditLine*, int) {
    state().cancelled = true;
    return CC_NEWLINE;
}

constexpr char kCancel = 3;  // Ctrl-C

// One byte of the terminal: 1, 0 at its end, -1 on an error; an interrupt stops the wait.
int readRaw(unsigned char& b) {
    for (;;) {
        if (interrupted) return 2;
        ssize_t n = ::read(STDIN_FILENO, &b, 1);
        if (n == 1) return 1;
        if (n == 0) return 0;
        if (errno != EINTR) return -1;
    }
}

// Reads one character (UTF-8 on the terminal). An interrupt becomes Ctrl-C; an Esc that no
// other byte follows within a moment is a key of its own (a cancel), not the start of an
// arrow key's sequence.
int readChar(EditLine*, wchar_t* c) {
    unsigned char b = 0;
    int r = readRaw(b);
    if (r == 2) {
        interrupted = 0;
        *c = kCancel;
        return 1;
    }
    if (r != 1) return r;
    if (b == 0x1b) {
        pollfd p{STDIN_FILENO, POLLIN, 0};
        *c = ::poll(&p, 1, 50) == 0 ? kCancel : 0x1b;
        return 1;
    }
    const int more = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    wchar_t cp = more == 0 ? b : more == 1 ? (b & 0x1F) : more == 2 ? (b & 0x0F) : (b & 0x07);
    for (int i = 0; i < more; ++i) {
        unsigned char next = 0;
        if (readRaw(next) != 1 || (next & 0xC0) != 0x80) break;
        cp = static_cast<wchar_t>((cp << 6) | (next & 0x3F));
    }
    *c = cp;
    return 1;
}

}  // namespace

bool startLineEditing() {
    State& s = state();
    if (s.el) return true;
    if (!::isatty(STDIN_FILENO) || !::isatty(STDOUT_FILENO)) return false;
    // The editor prints UTF-8 (prompts of modules in Russian among them): libedit reads and
    // shows characters by the character type of the locale, which must be UTF-8.
    const char* ctype = std::setlocale(LC_CTYPE, "");
    if (!ctype || std::strcmp(ctype, "C") == 0 || std::strcmp(ctype, "POSIX") == 0) std::setlocale(LC_CTYPE, "C.UTF-8");
    s.el = el_init("cadhost", stdin, stdout, stderr);
    if (!s.el) return false;
    s.history = history_init();
    HistEvent ev;
    history(s.history, &ev, H_SETSIZE, 500);
    history(s.history, &ev, H_SETUNIQUE, 1);
    el_set(s.el, EL_EDITOR, "emacs");
    el_set(s.el, EL_HIST, history, s.history);
    el_set(s.el, EL_PROMPT, promptOf);
    el_set(s.el, EL_GETCFN, readChar);
    // Wide names: libedit keeps them as given (the narrow call's copies are never freed).
    el_wset(s.el, EL_ADDFN, L"cadhost-cancel", L"Cancel the prompt", cancelKey);
    el_wset(s.el, EL_BIND, L"^C", L"cadhost-cancel", nullptr);
    // Ctrl-C no longer ends the process: it cancels, through readByte.
    struct sigaction sa {};
    sa.sa_handler = onInterrupt;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;  // no restart: a read waiting for a key returns at once
    ::sigaction(SIGINT, &sa, nullptr);
    return true;
}

void stopLineEditing() {
    State& s = state();
    if (s.el) el_end(s.el);
    if (s.history) history_end(s.history);
    s.el = nullptr;
    s.history = nullptr;
}

int readTerminalLine(const std::string& prompt, std::string& line) {
    State& s = state();
    if (!s.el) return -1;
    s.prompt = prompt;
    s.cancelled = false;
    int count = 0;
    const char* got = el_gets(s.el, &count);
    if (s.cancelled) {
        line = "^C";
        return 1;
    }
    if (!got || count <= 0) return 0;
    line.assign(got, static_cast<std::size_t>(count));
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (!line.empty()) {
        HistEvent ev;
        history(s.history, &ev, H_ENTER, line.c_str());
    }
    return 1;
}

#else

bool startLineEditing() { return false; }
void stopLineEditing() {}
int readTerminalLine(const std::string&, std::string&) { return -1; }

#endif
