// Runs the built capcode-tool as a child process in a "C" locale and returns
// its exit status, standard output and standard error. The tool's path comes
// from CCP_TOOL_PATH when the test target defines it, otherwise from the
// build tree beside the running test (build/tests/X/test -> build/src/tool).
#pragma once

#include "support/temp_dir.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace ccp::testing {

struct ToolResult {
    int status = -1; // exit status, or 128 + signal
    std::string out;
    std::string err;
};

inline std::string toolPath() {
#ifdef CCP_TOOL_PATH
    return CCP_TOOL_PATH;
#else
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    return (self.parent_path().parent_path().parent_path() / "src" / "tool" / "capcode-tool")
        .string();
#endif
}

// The parent's environment with the locale pinned to "C", so that the
// decimal separator is '.' whatever the machine's locale.
inline std::vector<std::string> toolEnvironment() {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (entry.rfind("LC_", 0) != 0 && entry.rfind("LANG=", 0) != 0)
            env.push_back(entry);
    }
    env.push_back("LC_ALL=C");
    return env;
}

// Starts the tool with its output going to the files `outPath` and
// `errPath`; its process id, or -1 with the reason in `failure`. `extraEnv`
// entries ("NAME=VALUE") come after the parent's and win.
inline pid_t spawnTool(const std::vector<std::string>& args,
                       const std::vector<std::string>& extraEnv, const std::string& outPath,
                       const std::string& errPath, std::string& failure) {
    const std::string path = toolPath();

    // getenv() takes the first of two entries with one name: the parent's
    // entry of a name given again goes.
    std::vector<std::string> env = toolEnvironment();
    std::erase_if(env, [&extraEnv](const std::string& entry) {
        const std::string name = entry.substr(0, entry.find('=') + 1);
        return std::any_of(extraEnv.begin(), extraEnv.end(),
                           [&name](const std::string& e) { return e.starts_with(name); });
    });
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> argv{const_cast<char*>(path.c_str())};
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& entry : env)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    // Output goes to files: a JSON document outgrows a pipe's buffer.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    pid_t pid = 0;
    const int spawned =
        posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        failure = "cannot start " + path + ": " + std::strerror(spawned);
        return -1;
    }
    return pid;
}

// The exit status of `pid` once it ended, or 128 + the signal that ended it.
inline int waitForTool(pid_t pid) {
    int wstatus = 0;
    while (waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
}

inline std::string fileText(const std::string& file) {
    const std::vector<unsigned char> bytes = TempDir::read(file);
    return std::string(bytes.begin(), bytes.end());
}

inline ToolResult runTool(const std::vector<std::string>& args,
                          const std::vector<std::string>& extraEnv = {}) {
    TempDir dir;
    const std::string outPath = dir.file("stdout");
    const std::string errPath = dir.file("stderr");
    ToolResult result;
    const pid_t pid = spawnTool(args, extraEnv, outPath, errPath, result.err);
    if (pid < 0)
        return result;
    result.status = waitForTool(pid);
    result.out = fileText(outPath);
    result.err = fileText(errPath);
    return result;
}

// The lines of a run's output, each without its newline.
inline std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

} // namespace ccp::testing
