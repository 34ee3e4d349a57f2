/* Preloaded into the program by the kill test. It counts the file operations on the data files
 * (opening, writing, renaming, closing Array.bin, blocked.bin, acsetup.bin and their scratch and
 * temporary files) and kills the process with SIGKILL at the RINGLARK_KILL_AT-th one, before it
 * happens. RINGLARK_TIME_FACTOR makes the clocks run that many times faster from the start, so
 * that the ten-second end of a call passes in a fraction of a second: Qt's timers read the
 * monotonic clock, the program's waits for the modem the time of day. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static long killAt = -1;
static long operations;
static double factor = 1.0;
static struct timespec realStart; /* the time of day at the start: it runs faster from there */
static char watched[1024];        /* fds open on a data file */

__attribute__((constructor)) static void setUp(void)
{
    const char *at = getenv("RINGLARK_KILL_AT");
    const char *f = getenv("RINGLARK_TIME_FACTOR");
    killAt = at ? atol(at) : -1;
    factor = f ? atof(f) : 1.0;
    if (factor < 1.0)
        factor = 1.0;
    clock_gettime(CLOCK_REALTIME, &realStart);
}

static int isDataFile(const char *path)
{
    static const char *const names[] = {"Array.bin", "ArrayTemp1.bin", "blocked.bin", "blocktemp.bin", "acsetup.bin"};
    const char *base = path ? strrchr(path, '/') : NULL;
    base = base ? base + 1 : path;
    if (!base)
        return 0;
    for (size_t i = 0; i < sizeof names / sizeof *names; ++i) {
        const size_t n = strlen(names[i]);
        /* the name itself, or a temporary file of a whole-file save ("acsetup.bin.XXXXXX") */
        if (strncmp(base, names[i], n) == 0 && (base[n] == 0 || base[n] == '.'))
            return 1;
    }
    return 0;
}

static void operation(void)
{
    if (++operations == killAt)
        raise(SIGKILL);
}

#define REAL(name)                                                                                                     \
    static __typeof__(name) *real_##name;                                                                              \
    if (!real_##name)                                                                                                  \
    real_##name = (__typeof__(name) *)dlsym(RTLD_NEXT, #name)

static int opened(int fd, int data)
{
    if (fd >= 0 && fd < (int)sizeof watched)
        watched[fd] = (char)data;
    return fd;
}

#define OPEN_WRAPPER(name, ...)                                                                                        \
    {                                                                                                                  \
        mode_t mode = 0;                                                                                               \
        if (flags & (O_CREAT | __O_TMPFILE)) {                                                                         \
            va_list ap;                                                                                                \
            va_start(ap, flags);                                                                                       \
            mode = va_arg(ap, mode_t);                                                                                 \
            va_end(ap);                                                                                                \
        }                                                                                                              \
        const int data = isDataFile(path);                                                                             \
        if (data)                                                                                                      \
            operation();                                                                                               \
        REAL(name);                                                                                                    \
        return opened(real_##name(__VA_ARGS__, flags, mode), data);                                                    \
    }

int open(const char *path, int flags, ...) OPEN_WRAPPER(open, path) int open64(const char *path, int flags, ...)
    OPEN_WRAPPER(open64, path) int openat(int dir, const char *path, int flags, ...)
        OPEN_WRAPPER(openat, dir, path) int openat64(int dir, const char *path, int flags, ...)
            OPEN_WRAPPER(openat64, dir, path)

                ssize_t write(int fd, const void *buf, size_t n)
{
    if (fd >= 0 && fd < (int)sizeof watched && watched[fd])
        operation();
    REAL(write);
    return real_write(fd, buf, n);
}

int close(int fd)
{
    if (fd >= 0 && fd < (int)sizeof watched && watched[fd]) {
        operation();
        watched[fd] = 0;
    }
    REAL(close);
    return real_close(fd);
}

int rename(const char *from, const char *to)
{
    if (isDataFile(from) || isDataFile(to))
        operation();
    REAL(rename);
    return real_rename(from, to);
}

int renameat(int fromDir, const char *from, int toDir, const char *to)
{
    if (isDataFile(from) || isDataFile(to))
        operation();
    REAL(renameat);
    return real_renameat(fromDir, from, toDir, to);
}

int renameat2(int fromDir, const char *from, int toDir, const char *to, unsigned int flags)
{
    if (isDataFile(from) || isDataFile(to))
        operation();
    REAL(renameat2);
    return real_renameat2(fromDir, from, toDir, to, flags);
}

int linkat(int fromDir, const char *from, int toDir, const char *to, int flags)
{
    if (isDataFile(to))
        operation();
    REAL(linkat);
    return real_linkat(fromDir, from, toDir, to, flags);
}

int clock_gettime(clockid_t id, struct timespec *ts)
{
    REAL(clock_gettime);
    const int r = real_clock_gettime(id, ts);
    if (r != 0 || factor == 1.0)
        return r;
    double t = (double)ts->tv_sec + (double)ts->tv_nsec / 1e9;
    double from = 0;
    if (id == CLOCK_REALTIME || id == CLOCK_REALTIME_COARSE) {
        from = (double)realStart.tv_sec + (double)realStart.tv_nsec / 1e9;
        t -= from;
    }
    const double fast = from + t * factor;
    ts->tv_sec = (time_t)fast;
    ts->tv_nsec = (long)((fast - (double)ts->tv_sec) * 1e9);
    return r;
}

/* The event loop sleeps for the time to its next timer, measured on the faster clock: the sleep
 * itself must be shorter by the same factor. */
#include <poll.h>

int poll(struct pollfd *fds, nfds_t n, int timeoutMs)
{
    REAL(poll);
    if (timeoutMs > 0 && factor > 1.0)
        timeoutMs = (int)(timeoutMs / factor) + 1;
    return real_poll(fds, n, timeoutMs);
}

int ppoll(struct pollfd *fds, nfds_t n, const struct timespec *timeout, const sigset_t *mask)
{
    REAL(ppoll);
    if (!timeout || factor == 1.0)
        return real_ppoll(fds, n, timeout, mask);
    const double t = ((double)timeout->tv_sec + (double)timeout->tv_nsec / 1e9) / factor;
    struct timespec shorter = {(time_t)t, (long)((t - (double)(time_t)t) * 1e9)};
    return real_ppoll(fds, n, &shorter, mask);
}

/* The time of day as Qt's dates read it: the same faster clock. */
#include <sys/time.h>

int gettimeofday(struct timeval *restrict tv, void *restrict tz)
{
    (void)tz;
    struct timespec ts;
    const int r = clock_gettime(CLOCK_REALTIME, &ts);
    if (r == 0) {
        tv->tv_sec = ts.tv_sec;
        tv->tv_usec = ts.tv_nsec / 1000;
    }
    return r;
}
