// Host back end of the console: standard output and error through iconv to
// the locale's code set, single keys from a terminal in raw mode.
#include "Console.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <iterator>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <termios.h>
#include <unistd.h>

namespace win::console {
namespace {

// The code set of the user's locale, asked of a locale object of its own so
// that the process's global locale (and with it every ctype call) stays "C".
std::string localeCodeSet() {
    locale_t locale = newlocale(LC_CTYPE_MASK, "", locale_t{});
    if (locale == locale_t{}) return "ANSI_X3.4-1968";  // what an unknown locale falls back to
    std::string codeSet = nl_langinfo_l(CODESET, locale);
    freelocale(locale);
    return codeSet;
}

class Converter {
public:
    Converter() : m_cd(iconv_open(localeCodeSet().c_str(), "WINDOWS-1252")) {}
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    std::string convert(const std::string& text) {
        if (m_cd == kNoConverter) return text;
        std::string out;
        char* in = const_cast<char*>(text.data());
        size_t inLeft = text.size();
        while (inLeft > 0) {
            if (!step(&in, &inLeft, out) && errno != E2BIG) {
                out += '?';  // a character the code set lacks, or one 1252 leaves undefined
                ++in;
                --inLeft;
            }
        }
        step(nullptr, nullptr, out);  // a stateful code set returns to its initial state
        return out;
    }

private:
    static inline const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

    bool step(char** in, size_t* inLeft, std::string& out) {
        char buffer[1024];
        char* next = buffer;
        size_t left = sizeof buffer;
        bool ok = iconv(m_cd, in, inLeft, &next, &left) != static_cast<size_t>(-1);
        out.append(buffer, next);
        return ok;
    }

    iconv_t m_cd;
};

// Text of ASCII characters alone is the same in every code set a locale can
// have, so the locale and the converter are only loaded for other text.
std::string toLocale(const std::string& text) {
    if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return text;
    static Converter converter;
    return converter.convert(text);
}

void writeAll(int fd, const std::string& bytes) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;  // a closed pipe or full disk: nothing to report to
        p += n;
        left -= static_cast<size_t>(n);
    }
}

// ------------------------------------------------------------ raw mode
// The terminal's mode while no key is read, and whether raw mode is on; read
// by the signal handlers.
termios g_cooked;
termios g_raw;
volatile sig_atomic_t g_rawActive = 0;

void restoreCooked() {
    if (g_rawActive) tcsetattr(STDIN_FILENO, TCSANOW, &g_cooked);
}

void onEndingSignal(int signal) {
    restoreCooked();
    g_rawActive = 0;
    ::signal(signal, SIG_DFL);
    raise(signal);  // delivered, with its default action, when the handler returns
}

// A stop (Ctrl+Z) leaves the shell a usable terminal and takes raw mode up
// again when the program continues.
void onStop(int) {
    int savedErrno = errno;
    restoreCooked();
    ::signal(SIGTSTP, SIG_DFL);
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &stop, nullptr);
    raise(SIGTSTP);
    ::signal(SIGTSTP, onStop);
    if (g_rawActive) tcsetattr(STDIN_FILENO, TCSANOW, &g_raw);
    errno = savedErrno;
}

// The signals that would leave the terminal raw, and what they get meanwhile.
struct Handled {
    int signal;
    void (*handler)(int);
};
const Handled kHandled[] = {{SIGINT, onEndingSignal}, {SIGTERM, onEndingSignal}, {SIGHUP, onEndingSignal},
                            {SIGQUIT, onEndingSignal}, {SIGTSTP, onStop}};

class RawMode {
public:
    RawMode() {
        if (tcgetattr(STDIN_FILENO, &g_cooked) != 0) return;
        g_raw = g_cooked;
        g_raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        g_raw.c_cc[VMIN] = 1;
        g_raw.c_cc[VTIME] = 0;
        for (std::size_t i = 0; i < std::size(kHandled); ++i) install(kHandled[i], m_saved[i]);
        m_installed = true;
        g_rawActive = 1;
        if (tcsetattr(STDIN_FILENO, TCSANOW, &g_raw) != 0) g_rawActive = 0;
    }
    ~RawMode() {
        restoreCooked();
        g_rawActive = 0;
        if (!m_installed) return;
        for (std::size_t i = 0; i < std::size(kHandled); ++i) sigaction(kHandled[i].signal, &m_saved[i], nullptr);
    }
    RawMode(const RawMode&) = delete;
    RawMode& operator=(const RawMode&) = delete;

    bool active() const { return g_rawActive != 0; }

private:
    // A signal the process was told to ignore stays ignored.
    static void install(const Handled& handled, struct sigaction& saved) {
        sigaction(handled.signal, nullptr, &saved);
        if (saved.sa_handler == SIG_IGN) return;
        struct sigaction action {};
        action.sa_handler = handled.handler;
        action.sa_flags = SA_RESTART;
        sigemptyset(&action.sa_mask);
        sigaction(handled.signal, &action, nullptr);
    }

    struct sigaction m_saved[std::size(kHandled)];
    bool m_installed = false;
};

}  // namespace

void writeOutput(const std::string& text) { writeAll(STDOUT_FILENO, toLocale(text)); }

void writeError(const std::string& text) { writeAll(STDERR_FILENO, toLocale(text)); }

bool inputIsConsole() { return isatty(STDIN_FILENO) == 1; }

std::optional<char> readKey() {
    if (!inputIsConsole()) return std::nullopt;
    RawMode raw;
    if (!raw.active()) return std::nullopt;
    for (;;) {
        char key;
        ssize_t n = ::read(STDIN_FILENO, &key, 1);
        if (n == 1) return key;
        if (n < 0 && errno == EINTR) continue;
        return std::nullopt;  // hung up
    }
}

}  // namespace win::console
