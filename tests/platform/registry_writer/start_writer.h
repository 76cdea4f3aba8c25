// Starts the registry writer program as a second process.
#pragma once

#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <vector>

extern char** environ;

// The child's id, or -1 when it could not be started.
inline pid_t StartWriter(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), REGISTRY_WRITER_PATH);
  std::vector<char*> argv;
  for (std::string& argument : arguments) {
    argv.push_back(argument.data());
  }
  argv.push_back(nullptr);
  pid_t child = 0;
  return posix_spawn(&child, REGISTRY_WRITER_PATH, nullptr, nullptr, argv.data(), environ) == 0 ? child : -1;
}

// Waits for the child; answers its exit status, or -1.
inline int WaitWriter(pid_t child) {
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) {
    return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
