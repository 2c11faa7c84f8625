#include "Spawn.h"

#include <csignal>
#include <cstring>
#include <spawn.h>
#include <stdexcept>

extern char** environ;

namespace torven {

namespace {

// `strings` as the null-terminated array of C strings that exec takes; `strings` must outlive it.
std::vector<char*> CStrings(std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (auto& s : strings)
        out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

} // namespace

pid_t Spawn(const std::vector<std::string>& argv, const SpawnOptions& options) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (const Redirection& r : options.redirections) {
        if (r.from >= 0)
            posix_spawn_file_actions_adddup2(&actions, r.from, r.to);
        else
            posix_spawn_file_actions_addopen(&actions, r.to, r.path.c_str(), r.flags, r.mode);
    }
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    if (options.defaultEndSignals) {
        sigset_t endSignals;
        sigemptyset(&endSignals);
        for (const int signal : {SIGTERM, SIGINT, SIGHUP})
            sigaddset(&endSignals, signal);
        posix_spawnattr_setsigdefault(&attributes, &endSignals);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    }
    auto args = argv;
    auto vars = options.environment.value_or(std::vector<std::string>());
    const std::vector<char*> argPointers = CStrings(args);
    const std::vector<char*> varPointers = CStrings(vars);
    pid_t pid = -1;
    const int error = posix_spawn(&pid, args[0].c_str(), &actions, &attributes, argPointers.data(),
                                  options.environment ? varPointers.data() : environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(error));
    return pid;
}

} // namespace torven
