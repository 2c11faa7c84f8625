#pragma once

// Starting a program with its arguments, environment and descriptors: plain POSIX, shared by the
// tests and the benchmarks' X server.

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace torven {

// What one of a started program's descriptors is, set up before it runs.
struct Redirection {
    // The program's descriptor `to` is a copy of our descriptor `from`, as dup2(from, to).
    static Redirection Dup(int from, int to) { return {to, from, {}, 0, 0}; }
    // The program's descriptor `to` is the file at `path`, opened with `flags` (and `mode` when
    // that creates it).
    static Redirection Open(int to, std::string path, int flags, mode_t mode = 0) {
        return {to, -1, std::move(path), flags, mode};
    }

    int to = -1;
    int from = -1; // -1: open `path` instead
    std::string path;
    int flags = 0;
    mode_t mode = 0;
};

struct SpawnOptions {
    // Applied in this order; descriptors not named here are inherited unless close-on-exec.
    std::vector<Redirection> redirections;
    // NAME=value entries; without them, this process's own environment.
    std::optional<std::vector<std::string>> environment;
    // Whether the signals that end programs (SIGTERM, SIGINT, SIGHUP) take their default action in
    // the program, as in one started from a desktop or a terminal, even where this process was
    // started with them ignored (nohup, a background job).
    bool defaultEndSignals = false;
};

// Starts the program at path `argv[0]` with the arguments `argv` and returns its process id.
// Throws std::runtime_error ("cannot start <path>: <reason>") when it cannot be started.
pid_t Spawn(const std::vector<std::string>& argv, const SpawnOptions& options = {});

} // namespace torven
