// Child processes for tests: fork and exec with pipes for stdout and stderr, an edited
// environment and working directory, and a timeout after which the child is killed.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "tests/support/support.h"

extern char **environ;

int64_t monotonic_us() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return int64_t(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

namespace {

std::vector<std::string> child_environment(const ProcessOptions &options) {
  std::vector<std::string> env;
  for (char **e = environ; e && *e; ++e) {
    std::string entry = *e;
    std::string name = entry.substr(0, entry.find('='));
    bool drop = false;
    for (const std::string &u : options.env_unset) drop |= (u == name);
    for (const std::string &s : options.env_set) drop |= (s.substr(0, s.find('=')) == name);
    if (!drop) env.push_back(entry);
  }
  for (const std::string &s : options.env_set) env.push_back(s);
  return env;
}

// Reads what is available from fd into text; closes fd (sets -1) at end of file.
void drain(int *fd, std::string *text) {
  if (*fd < 0) return;
  char buffer[4096];
  for (;;) {
    ssize_t n = read(*fd, buffer, sizeof buffer);
    if (n > 0) {
      text->append(buffer, size_t(n));
      continue;
    }
    if (n == 0) {
      close(*fd);
      *fd = -1;
    }
    return;  // EAGAIN or an error: nothing more now
  }
}

void record_status(Child *child, int status) {
  child->finished = true;
  child->result.elapsed_ms = double(monotonic_us() - child->started_us) / 1000.0;
  if (WIFEXITED(status)) {
    child->result.exited = true;
    child->result.exit_code = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    child->result.signal = WTERMSIG(status);
  }
}

}  // namespace

bool child_start(Child *child, const std::string &exe, const ProcessOptions &options) {
  *child = Child();
  int out_pipe[2], err_pipe[2];
  if (pipe2(out_pipe, O_CLOEXEC) != 0) return false;
  if (pipe2(err_pipe, O_CLOEXEC) != 0) {
    close(out_pipe[0]);
    close(out_pipe[1]);
    return false;
  }
  // Everything the child needs is prepared before fork: only exec-safe calls after it.
  std::vector<std::string> env = child_environment(options);
  std::vector<char *> envp, argv;
  for (std::string &e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string exe_copy = exe;
  std::vector<std::string> args = options.args;
  argv.push_back(exe_copy.data());
  for (std::string &a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  pid_t pid = fork();
  if (pid < 0) {
    for (int fd : {out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1]}) close(fd);
    return false;
  }
  if (pid == 0) {
    dup2(out_pipe[1], 1);
    dup2(err_pipe[1], 2);
    int null_fd = open("/dev/null", O_RDONLY);
    if (null_fd >= 0) dup2(null_fd, 0);
    if (!options.working_dir.empty() && chdir(options.working_dir.c_str()) != 0) _exit(126);
    execve(exe_copy.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  close(out_pipe[1]);
  close(err_pipe[1]);
  fcntl(out_pipe[0], F_SETFL, O_NONBLOCK);
  fcntl(err_pipe[0], F_SETFL, O_NONBLOCK);
  child->pid = pid;
  child->out_fd = out_pipe[0];
  child->err_fd = err_pipe[0];
  child->started_us = monotonic_us();
  child->result.started = true;
  return true;
}

void child_poll(Child *child) {
  drain(&child->out_fd, &child->out);
  drain(&child->err_fd, &child->err);
}

bool child_running(Child *child) {
  if (child->pid < 0 || child->finished) return false;
  int status;
  pid_t r = waitpid(child->pid, &status, WNOHANG);
  if (r == child->pid) {
    record_status(child, status);
    return false;
  }
  return true;
}

bool child_wait_stdout(Child *child, const std::string &text, int timeout_ms) {
  int64_t end = monotonic_us() + int64_t(timeout_ms) * 1000;
  for (;;) {
    child_poll(child);
    if (child->out.find(text) != std::string::npos) return true;
    if (!child_running(child)) {
      child_poll(child);
      return child->out.find(text) != std::string::npos;
    }
    if (monotonic_us() >= end) return false;
    pollfd fds[1] = {{child->out_fd, POLLIN, 0}};
    poll(fds, child->out_fd >= 0 ? 1 : 0, 5);
  }
}

ProcessResult child_wait(Child *child, int timeout_ms) {
  int64_t end = monotonic_us() + int64_t(timeout_ms) * 1000;
  while (child_running(child)) {
    child_poll(child);
    if (monotonic_us() >= end) {
      kill(child->pid, SIGKILL);
      int status;
      waitpid(child->pid, &status, 0);
      record_status(child, status);
      child->result.timed_out = true;
      break;
    }
    pollfd fds[2] = {{child->out_fd, POLLIN, 0}, {child->err_fd, POLLIN, 0}};
    poll(fds, 2, 1);  // negative descriptors are ignored by poll
  }
  // The pipes may hold the last output, and a grandchild could keep them open: read what
  // is there without waiting for the end of file.
  child_poll(child);
  for (int *fd : {&child->out_fd, &child->err_fd})
    if (*fd >= 0) {
      close(*fd);
      *fd = -1;
    }
  child->result.out = child->out;
  child->result.err = child->err;
  return child->result;
}

void child_kill(Child *child) {
  if (child_running(child)) {
    kill(child->pid, SIGKILL);
    int status;
    waitpid(child->pid, &status, 0);
    record_status(child, status);
  }
  child_poll(child);  // what it wrote before it ended
  for (int *fd : {&child->out_fd, &child->err_fd})
    if (*fd >= 0) {
      close(*fd);
      *fd = -1;
    }
}

ProcessResult run_process(const std::string &exe, const ProcessOptions &options) {
  Child child;
  if (!child_start(&child, exe, options)) return ProcessResult();
  return child_wait(&child, options.timeout_ms);
}
