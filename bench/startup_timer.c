/* Start-up timer of bench/startup_ratio.sh: runs a floor command and a subject command in turn,
 * RUNS times each, and prints the median time of each and their ratio.
 *
 *   startup_timer exit RUNS -- FLOOR... -- SUBJECT...
 *       the time from fork to the end of the process (its output goes to /dev/null);
 *   startup_timer window RUNS -- FLOOR... -- SUBJECT...
 *       the time from fork to the first top-level window the process maps on $DISPLAY, which
 *       needs an X server without a window manager (Xvfb); the process is then ended.
 *
 * Output, one line: "FLOOR_MS SUBJECT_MS RATIO", and for "exit" the same three of the CPU time
 * after them. Needs only libc, and libX11 for "window". */
#include <X11/Xlib.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double Now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

static void Fail(const char* what) {
    fprintf(stderr, "startup_timer: %s\n", what);
    exit(1);
}

static pid_t Start(char** argv) {
    const pid_t pid = fork();
    if (pid < 0) Fail("fork failed");
    if (pid == 0) {
        if (!freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr)) _exit(127);
        execvp(argv[0], argv);
        _exit(127);
    }
    return pid;
}

/* The CPU time (user and system) of the last process that TimeToExit ran, which a loaded machine
 * disturbs less than the wall time. */
static double lastCpuMs;

static double TimeToExit(char** argv) {
    const double start = Now();
    int status = 0;
    struct rusage usage;
    wait4(Start(argv), &status, 0, &usage);
    const double ms = Now() - start;
    lastCpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        fprintf(stderr, "startup_timer: %s failed\n", argv[0]);
        exit(1);
    }
    return ms;
}

static double TimeToWindow(Display* display, char** argv, int first) {
    const Window root = DefaultRootWindow(display);
    XSync(display, True); /* drop the events of earlier runs */
    const double start = Now();
    const pid_t pid = Start(argv);
    double ms = -1;
    while (ms < 0) {
        if (!XPending(display)) {
            struct pollfd fd = {ConnectionNumber(display), POLLIN, 0};
            if (poll(&fd, 1, 20000) <= 0) Fail("no window within 20 s");
            if (waitpid(pid, NULL, WNOHANG) == pid) Fail("the program ended without a window");
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapNotify && event.xmap.event == root && !event.xmap.override_redirect) {
            ms = Now() - start;
            if (first) {
                char* name = NULL;
                XFetchName(display, event.xmap.window, &name);
                fprintf(stderr, "  %s maps \"%s\"\n", argv[0], name ? name : "");
                if (name) XFree(name);
            }
        }
    }
    kill(pid, SIGKILL);
    waitpid(pid, NULL, 0);
    return ms;
}

static int Compare(const void* a, const void* b) {
    const double x = *(const double*)a, y = *(const double*)b;
    return x < y ? -1 : x > y;
}

static double Median(double* values, int count) {
    qsort(values, count, sizeof *values, Compare);
    return count % 2 ? values[count / 2] : (values[count / 2 - 1] + values[count / 2]) / 2;
}

int main(int argc, char** argv) {
    if (argc < 6 || strcmp(argv[3], "--") != 0) Fail("usage: exit|window RUNS -- FLOOR... -- SUBJECT...");
    const int window = strcmp(argv[1], "window") == 0;
    const int runs = atoi(argv[2]);
    char** floor = argv + 4;
    char** subject = NULL;
    for (int i = 4; i < argc; ++i) {
        if (strcmp(argv[i], "--") == 0) {
            argv[i] = NULL;
            subject = argv + i + 1;
        }
    }
    if (runs < 1 || subject == NULL || *subject == NULL) Fail("usage: exit|window RUNS -- FLOOR... -- SUBJECT...");

    Display* display = NULL;
    if (window) {
        display = XOpenDisplay(NULL);
        if (!display) Fail("cannot open the X display");
        XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    }
    double* floorMs = calloc(runs, sizeof(double));
    double* subjectMs = calloc(runs, sizeof(double));
    double* floorCpu = calloc(runs, sizeof(double));
    double* subjectCpu = calloc(runs, sizeof(double));
    /* One warm-up run each, then the two in turn, which of them first alternating. */
    for (int i = -1; i < runs; ++i) {
        for (int k = 0; k < 2; ++k) {
            const int isSubject = (k + i + 2) % 2;
            char** cmd = isSubject ? subject : floor;
            const double ms = window ? TimeToWindow(display, cmd, i < 0) : TimeToExit(cmd);
            if (i >= 0) (isSubject ? subjectMs : floorMs)[i] = ms;
            if (i >= 0) (isSubject ? subjectCpu : floorCpu)[i] = lastCpuMs;
        }
    }
    const double f = Median(floorMs, runs), s = Median(subjectMs, runs);
    printf("%.2f %.2f %.2f", f, s, s / f);
    if (!window) {
        const double fc = Median(floorCpu, runs), sc = Median(subjectCpu, runs);
        printf(" %.2f %.2f %.2f", fc, sc, fc > 0 ? sc / fc : 0);
    }
    printf("\n");
    return 0;
}
