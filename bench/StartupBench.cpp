// From process start to the login window mapped on the screen, beside a bare Qt main window
// started the same way (bench/finestranuda: the same Qt, a main window of the same size, shown
// at once): the floor pays the process start, Qt's start and the window; the program pays in
// addition its own libraries (the data library, the client library) and its widgets. The
// embedded engine, the attachment of the user database, the schema probes and the user list
// come once the window is on the screen, while the login panel waits out of use.
//
// Both programs are started alike, in turns, from the same program folder (a demo
// folder laid out by velkora-admin, the program and its data library copied into it): the clock starts before the
// process is spawned and stops when the X server reports the window mapped (a window manager
// maps the frame around it; without one the window itself), found by its caption. The process
// is then ended. Runs on the display of DISPLAY, or on a private Xvfb with openbox when there is
// none (as the figures in the README were taken).

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

// Xlib after Qt: its macros (Bool, Status) would clash with Qt's names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

QString g_folder;

// True when the window or one of its descendants has the caption.
bool hasCaption(Display* display, Window window, const char* caption, int depth = 0)
{
    char* name = nullptr;
    if (XFetchName(display, window, &name) && name) {
        const bool same = std::strcmp(name, caption) == 0;
        XFree(name);
        if (same)
            return true;
    }
    if (depth >= 3)
        return false;
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count))
        return false;
    bool found = false;
    for (unsigned i = 0; i < count && !found; ++i)
        found = hasCaption(display, children[i], caption, depth + 1);
    if (children)
        XFree(children);
    return found;
}

int ignoreXErrors(Display*, XErrorEvent*)
{
    return 0; // a window gone while it was looked at
}

// Spawns the program in the program folder and gives the seconds until its window with the
// caption is mapped; the process is ended before returning.
double startToMapped(Display* display, const std::string& program, const char* caption)
{
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, True); // drops events of earlier runs
    const std::string folder = g_folder.toStdString();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv{const_cast<char*>(program.c_str()), nullptr};
    pid_t pid = 0;
    const auto start = Clock::now();
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start " + program);
    posix_spawn_file_actions_destroy(&actions);
    double seconds = -1;
    const int fd = ConnectionNumber(display);
    while (seconds < 0) {
        if (std::chrono::duration<double>(Clock::now() - start).count() > 30)
            break;
        if (!XPending(display)) {
            fd_set set;
            FD_ZERO(&set);
            FD_SET(fd, &set);
            timeval wait{0, 20000};
            select(fd + 1, &set, nullptr, nullptr, &wait);
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapNotify && hasCaption(display, event.xmap.window, caption))
            seconds = std::chrono::duration<double>(Clock::now() - start).count();
    }
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    if (seconds < 0)
        throw std::runtime_error(program + ": no window \"" + caption + "\" within 30 s");
    return seconds;
}

struct Program
{
    std::string path;
    const char* caption;
};

Display* g_display = nullptr;
std::vector<double> g_times[2];

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Each iteration starts both programs, one right after the other, the bare window first in even
// iterations and the login window first in odd ones: a change of the machine's load during the
// run weighs on both alike. The iteration's time is the login window's; the bare window's and
// the ratio of the medians are counters.
void BM_StartToMapped(benchmark::State& state, const Program* bare, const Program* velkora)
{
    for (auto _ : state) {
        const bool bareFirst = g_times[0].size() % 2 == 0;
        const Program* order[2] = {bareFirst ? bare : velkora, bareFirst ? velkora : bare};
        for (const Program* program : order)
            g_times[program == bare ? 0 : 1].push_back(
                startToMapped(g_display, program->path, program->caption));
        state.SetIterationTime(g_times[1].back());
    }
    state.counters["bare_window_ms"] = median(g_times[0]) * 1000;
    state.counters["ratio"] = median(g_times[1]) / median(g_times[0]);
}

bool runs(const char* program)
{
    return !QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    g_folder = dir.path() + QStringLiteral("/cartella");

    // A private display when there is none: Xvfb, with openbox as its window manager.
    std::unique_ptr<QProcess> xvfb;
    std::unique_ptr<QProcess> windowManager;
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        int display = 90 + static_cast<int>(getpid() % 50);
        while (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(display)))
            ++display;
        const QString name = QStringLiteral(":%1").arg(display);
        xvfb = std::make_unique<QProcess>();
        xvfb->start(QStringLiteral("Xvfb"), {name, QStringLiteral("-screen"), QStringLiteral("0"),
                                             QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                                             QStringLiteral("tcp")});
        qputenv("DISPLAY", name.toLatin1());
        for (int i = 0; i < 100 && !(g_display = XOpenDisplay(nullptr)); ++i)
            usleep(50000);
        if (g_display && runs("openbox")) {
            windowManager = std::make_unique<QProcess>();
            windowManager->start(QStringLiteral("openbox"), {});
            usleep(500000);
        }
    } else {
        g_display = XOpenDisplay(nullptr);
    }
    if (!g_display) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    XSetErrorHandler(ignoreXErrors);
    qputenv("QT_QPA_PLATFORM", "xcb");

    // The demo program folder with the program in it (the program folder is the folder of the
    // executable).
    QProcess admin;
    admin.start(QStringLiteral(VELKORA_ADMIN), {QStringLiteral("demo"), g_folder});
    admin.waitForFinished(120000);
    const QString built = QFileInfo(QStringLiteral(VELKORA_PROGRAMMA)).absolutePath();
    if (admin.exitCode() != 0 ||
        !QFile::copy(QStringLiteral(VELKORA_PROGRAMMA), g_folder + QStringLiteral("/velkora")) ||
        !QFile::copy(built + QStringLiteral("/libvelkoradata.so"),
                     g_folder + QStringLiteral("/libvelkoradata.so")) ||
        !QFile::copy(built + QStringLiteral("/libvelkoracore.so"),
                     g_folder + QStringLiteral("/libvelkoracore.so"))) {
        std::fprintf(stderr, "cannot lay out the program folder\n");
        return 1;
    }
    QFile::setPermissions(g_folder + QStringLiteral("/velkora"),
                          QFile::permissions(QStringLiteral(VELKORA_PROGRAMMA)));

    const Program bare{VELKORA_FINESTRA_NUDA, "Finestra nuda"};
    const Program velkora{(g_folder + QStringLiteral("/velkora")).toStdString(), "Autenticazione"};
    // One start of each first, so that both find their libraries in the page cache.
    startToMapped(g_display, bare.path, bare.caption);
    startToMapped(g_display, velkora.path, velkora.caption);

    benchmark::RegisterBenchmark("StartToMapped/velkora-login-beside-bare-window", BM_StartToMapped,
                                 &bare, &velkora)
        ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(21);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const double floor = median(g_times[0]);
    const double program = median(g_times[1]);
    std::printf("\nprocess start to window mapped, median of %zu: bare window %.1f ms, login window "
                "%.1f ms, ratio %.2f (limit 1.5)\n",
                g_times[1].size(), floor * 1000, program * 1000, floor > 0 ? program / floor : 0.0);

    XCloseDisplay(g_display);
    if (windowManager)
        windowManager->terminate(), windowManager->waitForFinished(3000);
    if (xvfb)
        xvfb->terminate(), xvfb->waitForFinished(3000);
    return 0;
}
