#include "platform/win/shell/ShellAPI.h"
#include "platform/rtl/AnsiString.h"
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

HINSTANCE result(int code)
{
    return reinterpret_cast<HINSTANCE>(static_cast<intptr_t>(code));
}

bool isExecutableFile(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// Resolved before forking: after fork only async-signal-safe calls are allowed,
// and a PATH search allocates.
std::string findOnPath(const char* program)
{
    const char* path = getenv("PATH");
    std::string dirs = (path && *path) ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        // An empty entry means the current directory.
        std::string candidate = end > start ? dirs.substr(start, end - start) : std::string(".");
        candidate += '/';
        candidate += program;
        if (isExecutableFile(candidate))
            return candidate;
        start = end + 1;
    }
    return {};
}

int errnoToResult(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return SE_ERR_FNF;
    case EACCES:
    case EPERM:
        return SE_ERR_ACCESSDENIED;
    case ENOMEM:
    case EAGAIN:
        return SE_ERR_OOM;
    default:
        return SE_ERR_NOASSOC;
    }
}

void writeErrno(int fd, int error)
{
    ssize_t ignored = write(fd, &error, sizeof error);
    (void)ignored;
}

// The grandchild: detached into its own session, quiet standard streams, then
// the opener. Only async-signal-safe calls from here on.
[[noreturn]] void execOpener(const char* program, char* const argv[], const char* directory, int statusFd)
{
    setsid();
    sigset_t all;
    sigemptyset(&all);
    sigprocmask(SIG_SETMASK, &all, nullptr);
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigaction(SIGPIPE, &dfl, nullptr);
    sigaction(SIGCHLD, &dfl, nullptr);
    int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        if (null > STDERR_FILENO)
            close(null);
    }
    if (directory && chdir(directory) != 0) {
        writeErrno(statusFd, errno);
        _exit(127);
    }
    execve(program, argv, environ);
    writeErrno(statusFd, errno);
    _exit(127);
}

int launch(const std::string& program, const char* file, const char* directory)
{
    std::string arg0 = program;
    std::string arg1 = file;
    char* argv[] = { arg0.data(), arg1.data(), nullptr };

    int status[2];
    if (pipe2(status, O_CLOEXEC) != 0)
        return errnoToResult(errno);

    pid_t child = fork();
    if (child < 0) {
        int error = errno;
        close(status[0]);
        close(status[1]);
        return errnoToResult(error);
    }
    if (child == 0) {
        close(status[0]);
        pid_t grandchild = fork();
        if (grandchild < 0) {
            writeErrno(status[1], errno);
            _exit(127);
        }
        if (grandchild == 0)
            execOpener(arg0.c_str(), argv, directory, status[1]);
        // The middle process ends at once, so the opener is re-parented and
        // never becomes a zombie of ours.
        _exit(0);
    }

    close(status[1]);
    int waitStatus = 0;
    while (waitpid(child, &waitStatus, 0) < 0 && errno == EINTR) { }
    // The pipe closes when the opener's exec succeeds; a value means it failed.
    int error = 0;
    ssize_t got;
    do {
        got = read(status[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    close(status[0]);
    if (got == static_cast<ssize_t>(sizeof error))
        return errnoToResult(error);
    return SE_SUCCESS;
}

}

HINSTANCE ShellExecute(HWND, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory, int)
{
    if (operation && *operation && !SameText(operation, "open"))
        return result(SE_ERR_NOASSOC);
    if (parameters && *parameters)
        return result(SE_ERR_NOASSOC);
    // A leading dash would reach the opener as one of its options.
    if (!file || !*file || *file == '-')
        return result(SE_ERR_FNF);
    if (directory && *directory) {
        struct stat st {};
        if (stat(directory, &st) != 0 || !S_ISDIR(st.st_mode))
            return result(SE_ERR_PNF);
    } else {
        directory = nullptr;
    }
    std::string opener = findOnPath("xdg-open");
    if (opener.empty())
        return result(SE_ERR_NOASSOC);
    return result(launch(opener, file, directory));
}

HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory, int showCmd)
{
    return ShellExecute(hwnd, operation, file, parameters, directory, showCmd);
}
