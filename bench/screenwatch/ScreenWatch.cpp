// Watches the screen of an X display from outside a program, the way a person sees it: it takes
// root-window images through shared memory as fast as the server gives them, compares each with
// the one before, and leaves out changes no larger than a text caret. It drives the program with
// synthetic input (XTest) and reads its CPU time and memory from /proc.
//
//   screenwatch transition KEYSYM            press a key, time the screen's response
//   screenwatch flip wheel-down|wheel-up|drag-left|drag-right X Y
//   screenwatch still PID SECONDS            CPU of PID and screen changes while nothing moves
//   screenwatch idle PID TIMEOUT             seconds from PID's start until its background work is done
//   screenwatch rss PID                      resident memory of PID in MB
//
// Each prints one line of key=value figures. Every wait is bounded.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

double now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void sleepFor(double seconds)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

struct Rect {
    int x0 = 0, y0 = 0, x1 = -1, y1 = -1; // inclusive; empty when x1 < x0
    bool empty() const { return x1 < x0; }
    int width() const { return x1 - x0 + 1; }
    int height() const { return y1 - y0 + 1; }
};

// A change this narrow is the search field's caret blinking (or a character cell of it).
bool isCaret(const Rect& r)
{
    return !r.empty() && r.width() <= 8 && r.height() <= 48;
}

class RootScreen {
public:
    RootScreen()
    {
        m_display = XOpenDisplay(nullptr);
        if (!m_display || !XShmQueryExtension(m_display)) {
            std::fprintf(stderr, "screenwatch: no X display with shared memory\n");
            std::exit(2);
        }
        const int screen = DefaultScreen(m_display);
        m_root = RootWindow(m_display, screen);
        m_width = DisplayWidth(m_display, screen);
        m_height = DisplayHeight(m_display, screen);
        m_image = XShmCreateImage(m_display, DefaultVisual(m_display, screen), DefaultDepth(m_display, screen), ZPixmap, nullptr,
            &m_shm, unsigned(m_width), unsigned(m_height));
        m_shm.shmid = shmget(IPC_PRIVATE, size_t(m_image->bytes_per_line) * size_t(m_height), IPC_CREAT | 0600);
        m_shm.shmaddr = m_image->data = static_cast<char*>(shmat(m_shm.shmid, nullptr, 0));
        m_shm.readOnly = False;
        XShmAttach(m_display, &m_shm);
        XSync(m_display, False);
        shmctl(m_shm.shmid, IPC_RMID, nullptr);
        m_previous.resize(size_t(m_image->bytes_per_line) * size_t(m_height));
    }
    ~RootScreen()
    {
        XShmDetach(m_display, &m_shm);
        shmdt(m_shm.shmaddr);
        XCloseDisplay(m_display);
    }

    Display* display() const { return m_display; }

    // Takes an image; returns the changed rectangle against the previous one (then remembered).
    Rect grab()
    {
        XShmGetImage(m_display, m_root, m_image, 0, 0, AllPlanes);
        Rect r;
        const size_t stride = size_t(m_image->bytes_per_line);
        const auto* now = reinterpret_cast<const uint32_t*>(m_image->data);
        const auto* before = reinterpret_cast<const uint32_t*>(m_previous.data());
        for (int y = 0; y < m_height; ++y) {
            const size_t offset = size_t(y) * stride;
            if (std::memcmp(m_image->data + offset, m_previous.data() + offset, size_t(m_width) * 4) == 0)
                continue;
            const uint32_t* a = now + offset / 4;
            const uint32_t* b = before + offset / 4;
            int first = 0, last = m_width - 1;
            while (first < m_width && a[first] == b[first])
                ++first;
            while (last > first && a[last] == b[last])
                --last;
            if (r.empty()) {
                r = {first, y, last, y};
            } else {
                r.x0 = std::min(r.x0, first);
                r.x1 = std::max(r.x1, last);
                r.y1 = y;
            }
        }
        std::memcpy(m_previous.data(), m_image->data, m_previous.size());
        return r;
    }

    void key(const char* keysymName)
    {
        const KeySym sym = XStringToKeysym(keysymName);
        const KeyCode code = XKeysymToKeycode(m_display, sym);
        XTestFakeKeyEvent(m_display, code, True, CurrentTime);
        XTestFakeKeyEvent(m_display, code, False, CurrentTime);
        XFlush(m_display);
    }
    void button(unsigned button)
    {
        XTestFakeButtonEvent(m_display, button, True, CurrentTime);
        XTestFakeButtonEvent(m_display, button, False, CurrentTime);
        XFlush(m_display);
    }
    void moveTo(int x, int y)
    {
        XTestFakeMotionEvent(m_display, -1, x, y, CurrentTime);
        XFlush(m_display);
    }
    void press(bool down)
    {
        XTestFakeButtonEvent(m_display, 1, down ? True : False, CurrentTime);
        XFlush(m_display);
    }

private:
    Display* m_display = nullptr;
    Window m_root = 0;
    int m_width = 0, m_height = 0;
    XImage* m_image = nullptr;
    XShmSegmentInfo m_shm{};
    std::vector<char> m_previous;
};

// Frames of one motion: from the trigger until the screen has been still (caret aside) for
// `settle` seconds, at most `timeout` seconds.
struct Motion {
    double firstChange = -1; // seconds after the trigger
    double lastChange = -1;
    std::vector<double> frames; // times of changed images, seconds after the trigger
};

template <typename Trigger> Motion watchMotion(RootScreen& screen, Trigger trigger, double settle = 0.35, double timeout = 5)
{
    screen.grab();
    Motion m;
    const double t0 = now();
    trigger();
    while (true) {
        const Rect r = screen.grab();
        const double t = now() - t0;
        if (!r.empty() && !isCaret(r)) {
            if (m.firstChange < 0)
                m.firstChange = t;
            m.lastChange = t;
            m.frames.push_back(t);
        }
        if (m.firstChange >= 0 && t - m.lastChange > settle)
            break;
        if (t > timeout)
            break;
    }
    return m;
}

void printMotion(const Motion& m)
{
    const size_t n = m.frames.size();
    double worst = 0;
    for (size_t i = 1; i < n; ++i)
        worst = std::max(worst, m.frames[i] - m.frames[i - 1]);
    const double span = n >= 2 ? m.frames.back() - m.frames.front() : 0;
    const double fps = span > 0 ? double(n - 1) / span : 0;
    std::printf("first_ms=%.1f still_ms=%.1f frames=%zu span_ms=%.1f fps=%.1f worst_gap_ms=%.1f\n", m.firstChange * 1000,
        m.lastChange * 1000, n, span * 1000, fps, worst * 1000);
    // Where a slow motion lost its time: every changed image, after the trigger.
    if (std::getenv("CORVANTA_SCREENWATCH_FRAMES")) {
        for (const double t : m.frames)
            std::fprintf(stderr, "%.1f ", t * 1000);
        std::fprintf(stderr, "\n");
    }
}

// utime + stime of a process in seconds, all its threads.
double cpuSeconds(int pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string f;
    std::vector<std::string> v;
    while (fields >> f)
        v.push_back(f);
    // After the command: state is field 3, utime 14 and stime 15 (1-based in proc(5)).
    if (v.size() < 20)
        return -1;
    const double ticks = double(sysconf(_SC_CLK_TCK));
    return (std::stod(v[11]) + std::stod(v[12])) / ticks;
}

// Seconds since the process started.
double processAge(int pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')');
    std::istringstream fields(text.substr(close + 2));
    std::string f;
    std::vector<std::string> v;
    while (fields >> f)
        v.push_back(f);
    std::ifstream uptime("/proc/uptime");
    double up = 0;
    uptime >> up;
    return up - std::stod(v[19]) / double(sysconf(_SC_CLK_TCK));
}

double rssMegabytes(int pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024;
    }
    return -1;
}

int usage()
{
    std::fprintf(stderr, "usage: screenwatch transition KEYSYM | flip MODE X Y | still PID SECONDS | idle PID TIMEOUT | rss PID\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage();
    const std::string command = argv[1];
    if (command == "rss" && argc == 3) {
        std::printf("rss_mb=%.0f\n", rssMegabytes(std::atoi(argv[2])));
        return 0;
    }
    if (command == "idle" && argc == 4) {
        // Background work is done at the start of the first full second in which the process used
        // under 2 % of a core.
        const int pid = std::atoi(argv[2]);
        const double timeout = std::atof(argv[3]);
        double before = cpuSeconds(pid);
        double windowStart = processAge(pid);
        while (windowStart < timeout) {
            sleepFor(1.0);
            const double after = cpuSeconds(pid);
            if (after < 0)
                return 1;
            if (after - before < 0.02) {
                std::printf("idle_after_s=%.1f\n", windowStart);
                return 0;
            }
            before = after;
            windowStart = processAge(pid);
        }
        std::printf("idle_after_s=timeout(%.0f)\n", timeout);
        return 0;
    }
    RootScreen screen;
    if (command == "transition" && argc == 3) {
        const char* key = argv[2];
        printMotion(watchMotion(screen, [&] { screen.key(key); }));
        return 0;
    }
    if (command == "flip" && argc == 5) {
        const std::string mode = argv[2];
        const int x = std::atoi(argv[3]), y = std::atoi(argv[4]);
        screen.moveTo(x, y);
        sleepFor(0.1);
        Motion m;
        if (mode == "wheel-down" || mode == "wheel-up") {
            m = watchMotion(screen, [&] { screen.button(mode == "wheel-down" ? 5 : 4); });
        } else if (mode == "drag-left" || mode == "drag-right") {
            const int direction = mode == "drag-left" ? -1 : 1;
            m = watchMotion(screen, [&] {
                // A quick swipe of 400 px over 120 ms, the pointer moving every 8 ms.
                screen.press(true);
                for (int i = 1; i <= 15; ++i) {
                    sleepFor(0.008);
                    screen.moveTo(x + direction * 400 * i / 15, y);
                }
                screen.press(false);
            });
        } else {
            return usage();
        }
        printMotion(m);
        return 0;
    }
    if (command == "still" && argc == 4) {
        const int pid = std::atoi(argv[2]);
        const double seconds = std::atof(argv[3]);
        screen.grab();
        int changes = 0, caret = 0;
        const double before = cpuSeconds(pid);
        const double start = now();
        while (now() - start < seconds) {
            sleepFor(0.05);
            const Rect r = screen.grab();
            if (isCaret(r))
                ++caret;
            else if (!r.empty())
                ++changes;
        }
        const double used = cpuSeconds(pid) - before;
        const double elapsed = now() - start;
        std::printf("cpu_pct=%.2f screen_changes=%d caret_changes=%d seconds=%.0f\n", 100 * used / elapsed, changes, caret, elapsed);
        return 0;
    }
    return usage();
}
