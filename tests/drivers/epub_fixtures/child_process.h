// Runs part of an e-book test in a child process, for what must not touch the test process: a file
// size limit, a mount namespace with a small or read-only file system, another user. The child's answer
// comes back as text through a pipe.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <grp.h>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace epubtest {

struct ChildAnswer {
    bool ran = false; // the child ended normally
    int exitCode = -1;
    std::string text;
};

// Runs `body` in a child; what it returns is the answer's text, its exit code 0. `body` may end the
// child itself with another exit code (for instance 77 when what it needs is not to be had here).
inline ChildAnswer InChild(const std::function<std::string()>& body) {
    int pipeFds[2];
    ChildAnswer answer;
    if (pipe(pipeFds) != 0) return answer;
    pid_t child = fork();
    if (child == 0) {
        close(pipeFds[0]);
        std::string text = body();
        for (size_t done = 0; done < text.size();) {
            ssize_t n = write(pipeFds[1], text.data() + done, text.size() - done);
            if (n <= 0) _exit(3);
            done += static_cast<size_t>(n);
        }
        _exit(0);
    }
    close(pipeFds[1]);
    char buffer[4096];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        answer.text.append(buffer, static_cast<size_t>(n));
    close(pipeFds[0]);
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) {
        answer.ran = true;
        answer.exitCode = WEXITSTATUS(status);
    }
    return answer;
}

inline constexpr int kNotHere = 77;

// In a child: a mount namespace of its own in which `folder` is a tmpfs of `size` ("64k"), or is the
// same folder mounted read-only. Ends the child with kNotHere when the system does not allow it.
inline void MountSmallFolderOrLeave(const std::string& folder, const char* size) {
    std::string options = std::string("size=") + size;
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) != 0)
        _exit(kNotHere);
}
inline void MountReadOnlyOrLeave(const std::string& folder) {
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
        mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
        _exit(kNotHere);
}
// In a child: make `folder` one the process may not write in: as root (whom file modes do not stop),
// by becoming the user "nobody" (65534); as anyone else, by taking the folder's write permission away.
// Ends the child with kNotHere when it cannot.
inline void LoseWriteAccessOrLeave(const std::string& folder) {
    if (geteuid() != 0) {
        if (chmod(folder.c_str(), 0555) != 0) _exit(kNotHere);
    } else if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) {
        _exit(kNotHere);
    }
}

} // namespace epubtest
