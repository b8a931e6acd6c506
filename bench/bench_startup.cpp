// Start-up of the real program: from fork/exec to the moment its window
// titled "Vantor" is mapped on the X display, against the same measure for an
// empty Qt Widgets window, launched in turns on the same display. Besides the
// wall time, the CPU time the program used until then (all its threads, from
// /proc/PID/task/*/schedstat), which a loaded machine disturbs far less.
//
// bench_startup [--runs N]   (default 15; uses $DISPLAY, or starts an Xvfb)
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "core/password.h"
#include "notes/store/store_admin.h"
#include "platform/cp1252.h"

// Xlib defines Bool, Status and others as macros: after every Qt header.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* kTitle = "Vantor";
constexpr int kTimeoutMs = 20000;

[[noreturn]] void die(const std::string& why) {
    std::fprintf(stderr, "bench_startup: %s\n", why.c_str());
    std::exit(1);
}

// Windows vanish while we look at them (a killed program's): not an error here.
int ignoreXErrors(Display*, XErrorEvent*) { return 0; }

std::string property(Display* dpy, Window w, Atom name) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, w, name, 0, 256, False, AnyPropertyType, &type, &format, &count, &after,
                           &data) != Success ||
        !data) {
        return {};
    }
    std::string value(reinterpret_cast<char*>(data), format == 8 ? count : 0);
    XFree(data);
    return value;
}

bool titled(Display* dpy, Window w) {
    static const Atom netWmName = XInternAtom(dpy, "_NET_WM_NAME", False);
    return property(dpy, w, netWmName) == kTitle || property(dpy, w, XA_WM_NAME) == kTitle;
}

bool viewable(Display* dpy, Window w) {
    XWindowAttributes a;
    return XGetWindowAttributes(dpy, w, &a) && a.map_state == IsViewable;
}

// A mapped top-level window with the title, directly under the root or one
// level down (a window manager's frame).
bool titledWindowShown(Display* dpy, Window parent, int depth) {
    Window root = 0, up = 0, *children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(dpy, parent, &root, &up, &children, &n)) return false;
    bool found = false;
    for (unsigned int i = 0; i < n && !found; ++i) {
        if (!viewable(dpy, children[i])) continue;
        found = titled(dpy, children[i]) || (depth > 0 && titledWindowShown(dpy, children[i], depth - 1));
    }
    if (children) XFree(children);
    return found;
}

// An X server for the run: the caller's display, or an Xvfb of our own.
class XServer {
public:
    XServer() {
        if (const char* d = std::getenv("DISPLAY"); d && *d) {
            name_ = d;
        } else {
            startXvfb();
        }
        dpy_ = XOpenDisplay(name_.c_str());
        if (!dpy_) die("cannot open display " + name_);
        XSetErrorHandler(ignoreXErrors);
        // Without a window manager, top-level maps show as events on the root.
        XSelectInput(dpy_, DefaultRootWindow(dpy_), SubstructureNotifyMask);
        XSync(dpy_, False);
    }
    ~XServer() {
        if (dpy_) XCloseDisplay(dpy_);
        if (xvfb_ > 0) {
            kill(xvfb_, SIGTERM);
            waitpid(xvfb_, nullptr, 0);
        }
    }
    Display* display() const { return dpy_; }
    const std::string& name() const { return name_; }
    bool ownXvfb() const { return xvfb_ > 0; }

private:
    void startXvfb() {
        int n = 150 + getpid() % 100;
        auto taken = [](int d) {
            char socket[64], lock[64];
            std::snprintf(socket, sizeof socket, "/tmp/.X11-unix/X%d", d);
            std::snprintf(lock, sizeof lock, "/tmp/.X%d-lock", d);
            return access(socket, F_OK) == 0 || access(lock, F_OK) == 0;
        };
        while (taken(n)) ++n;
        char display[16];
        std::snprintf(display, sizeof display, ":%d", n);
        name_ = display;
        xvfb_ = fork();
        if (xvfb_ == 0) {
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            execlp("Xvfb", "Xvfb", name_.c_str(), "-screen", "0", "1280x800x24", "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int i = 0; i < 200; ++i) {
            if (Display* probe = XOpenDisplay(name_.c_str())) {
                XCloseDisplay(probe);
                return;
            }
            if (waitpid(xvfb_, nullptr, WNOHANG) == xvfb_) break;
            usleep(50000);
        }
        die("Xvfb did not start on " + name_);
    }

    std::string name_;
    pid_t xvfb_ = -1;
    Display* dpy_ = nullptr;
};

void stop(pid_t pid) {
    kill(pid, SIGTERM);
    for (int i = 0; i < 200; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return;
        usleep(10000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// CPU time used so far by every thread of `pid`, in ms.
double cpuMs(pid_t pid) {
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    double ns = 0;
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(tasks + QLatin1Char('/') + task + QStringLiteral("/schedstat"));
        if (stat.open(QIODevice::ReadOnly)) ns += stat.readAll().split(' ').value(0).toDouble();
    }
    return ns / 1e6;
}

struct Shown {
    double wallMs;
    double cpuMs;
};

// From fork to the mapping of the titled window: wall time, and the CPU time
// the program used; nullopt when the program ended or never showed it.
std::optional<Shown> launchUntilShown(XServer& x, const std::string& exe, const char* arg = nullptr) {
    Display* dpy = x.display();
    while (XPending(dpy)) {
        XEvent e;
        XNextEvent(dpy, &e);
    }
    const Clock::time_point start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execl(exe.c_str(), exe.c_str(), arg, static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid < 0) die("fork failed");

    std::optional<double> shownMs;
    double cpu = 0;
    pollfd fd{ConnectionNumber(dpy), POLLIN, 0};
    while (!shownMs) {
        const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (elapsed > kTimeoutMs || waitpid(pid, nullptr, WNOHANG) == pid) break;
        const bool woken = poll(&fd, 1, 2) > 0;
        while (XPending(dpy) && !shownMs) {
            XEvent e;
            XNextEvent(dpy, &e);
            if (e.type == MapNotify && titled(dpy, e.xmap.window)) {
                shownMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                cpu = cpuMs(pid);
            }
        }
        // Under a window manager the map shows on its frame: look at the tree.
        if (!shownMs && !woken && !x.ownXvfb() && titledWindowShown(dpy, DefaultRootWindow(dpy), 1)) {
            shownMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            cpu = cpuMs(pid);
        }
    }
    stop(pid);
    // Let the server drop the killed program's windows before the next launch.
    XSync(dpy, False);
    for (int i = 0; i < 100 && titledWindowShown(dpy, DefaultRootWindow(dpy), 1); ++i) usleep(5000);
    if (!shownMs) return std::nullopt;
    return Shown{*shownMs, cpu};
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// A program folder of its own: the executable, a param.ini that asks for no
// automatic watching (so no first-run message either), and a small store.
QString prepareProgramFolder(const QTemporaryDir& dir) {
    const QString vantor = dir.filePath(QStringLiteral("vantor"));
    if (!QFile::copy(QStringLiteral(VANTOR_EXE), vantor)) die("cannot copy " VANTOR_EXE);
    QFile::setPermissions(vantor, QFile::permissions(vantor) | QFileDevice::ExeUser);

    const QString server = QStringLiteral("Paris/Vantor"), file = QStringLiteral("mail\\jdupont.nsf");
    vantor::store::StoreAdmin admin(dir.filePath(QStringLiteral("notesdata")));
    admin.setUser(QStringLiteral("Jean Dupont/Vantor"), QStringLiteral("vantor"), server, file);
    admin.createMailbox(server, file, {QStringLiteral("Jean Dupont/Vantor")});

    const QStringList lines = {
        QStringLiteral("[PARAM]"),
        QStringLiteral("DELAI=15"),
        QStringLiteral("BAL_0=") + file,
        QStringLiteral("SERVEUR_LOTUS_0=") + server,
        QStringLiteral("PASSWORD=") + vantor::CrypteMotDePasse(QStringLiteral("vantor")).value(),
        QStringLiteral("AUTO=0"),
        QStringLiteral("LOGOFF=0"),
        QStringLiteral("AUTONOTES=0"),
        QStringLiteral("COULEUR=C0DDDD"),
        QStringLiteral("HEIGHT=2325"),
        QStringLiteral("WIDTH=8470"),
    };
    QFile ini(dir.filePath(QStringLiteral("param.ini")));
    if (!ini.open(QIODevice::WriteOnly)) die("cannot write param.ini");
    ini.write(vantor::cp1252::encode(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")));
    return vantor;
}

void report(const char* what, const std::vector<Shown>& runs) {
    std::vector<double> wall, cpu;
    for (const Shown& r : runs) {
        wall.push_back(r.wallMs);
        cpu.push_back(r.cpuMs);
    }
    std::printf("%-18s median %7.1f ms   min %7.1f   max %7.1f   CPU median %6.1f ms   (%zu runs)\n", what,
                median(wall), *std::min_element(wall.begin(), wall.end()),
                *std::max_element(wall.begin(), wall.end()), median(cpu), runs.size());
}

void ratio(const char* what, const std::vector<Shown>& a, const char* baseline, const std::vector<Shown>& b) {
    auto medianOf = [](const std::vector<Shown>& runs, double Shown::*field) {
        std::vector<double> v;
        for (const Shown& r : runs) v.push_back(r.*field);
        return median(v);
    };
    std::printf("ratio %s / %s (medians) = %.2f (CPU time %.2f)\n", what, baseline,
                medianOf(a, &Shown::wallMs) / medianOf(b, &Shown::wallMs),
                medianOf(a, &Shown::cpuMs) / medianOf(b, &Shown::cpuMs));
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 15;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::atoi(argv[++i]);
        } else {
            die(std::string("unknown argument ") + argv[i] + " (usage: bench_startup [--runs N])");
        }
    }
    if (runs < 1) die("--runs must be at least 1");

    QTemporaryDir dir;
    if (!dir.isValid()) die("cannot create a temporary folder");
    const std::string vantor = prepareProgramFolder(dir).toStdString();
    const std::string empty = dir.filePath(QStringLiteral("empty_window")).toStdString();
    if (!QFile::copy(QStringLiteral(EMPTY_WINDOW_EXE), QString::fromStdString(empty)))
        die("cannot copy " EMPTY_WINDOW_EXE);

    XServer x;
    setenv("DISPLAY", x.name().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    std::printf("display %s%s, program folder %s\n", x.name().c_str(), x.ownXvfb() ? " (Xvfb)" : "",
                dir.path().toLocal8Bit().constData());

    // The program, the empty window, and the same window with one line of text.
    struct Program {
        const char* name;
        const std::string* exe;
        const char* arg;
        std::vector<Shown> runs;
    };
    std::vector<Program> programs = {{"vantor", &vantor, nullptr, {}},
                                     {"empty window", &empty, nullptr, {}},
                                     {"window with text", &empty, "--text", {}}};
    // One start of each first: the files into the page cache, fonts found.
    for (const Program& p : programs)
        if (!launchUntilShown(x, *p.exe, p.arg)) die("no window titled Vantor from " + *p.exe);

    for (int i = 0; i < runs; ++i) {
        // Taking turns, and changing who goes first, spreads the machine's noise.
        for (std::size_t k = 0; k < programs.size(); ++k) {
            Program& p = programs[(k + static_cast<std::size_t>(i)) % programs.size()];
            const std::optional<Shown> shown = launchUntilShown(x, *p.exe, p.arg);
            if (!shown) die("no window titled Vantor from " + *p.exe);
            p.runs.push_back(*shown);
        }
    }
    for (const Program& p : programs) report(p.name, p.runs);
    ratio("vantor", programs[0].runs, "empty window", programs[1].runs);
    ratio("vantor", programs[0].runs, "window with text", programs[2].runs);
    ratio("window with text", programs[2].runs, "empty window", programs[1].runs);
    return 0;
}
