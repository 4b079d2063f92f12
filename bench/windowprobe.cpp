// SPDX-License-Identifier: MIT
// Times the start of a windowed program on the X display of $DISPLAY, from
// just before it is started to
//   MAP:   its top-level window being mapped, and
//   PAINT: the end of its first painting: the last drawing into that window
//          before it has been still for a quarter of a second.
// Both are seen from outside, in the X server (the window's damage), so the
// same measure holds for any program, whatever its toolkit.
//
//   windowprobe PROGRAM [ARG]...   prints "MAP_MS PAINT_MS", then ends it
//
// Exit status 0 on success, 1 when the program ended or 30 s passed first.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr double kQuietMs = 250;  // shorter than a text caret's first blink (500 ms)
constexpr double kTimeoutMs = 30000;

double NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

void Stop(pid_t pid) {
  kill(pid, SIGTERM);
  for (int i = 0; i < 200; ++i) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return;
    usleep(10000);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: windowprobe PROGRAM [ARG]...\n");
    return 2;
  }
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c)) {
    std::fprintf(stderr, "windowprobe: cannot open the display\n");
    return 2;
  }
  const xcb_query_extension_reply_t* damage = xcb_get_extension_data(c, &xcb_damage_id);
  if (damage == nullptr || !damage->present) {
    std::fprintf(stderr, "windowprobe: the X server has no DAMAGE extension\n");
    return 2;
  }
  std::free(xcb_damage_query_version_reply(
      c, xcb_damage_query_version(c, XCB_DAMAGE_MAJOR_VERSION, XCB_DAMAGE_MINOR_VERSION), nullptr));

  const int fd = xcb_get_file_descriptor(c);
  fcntl(fd, F_SETFD, FD_CLOEXEC);
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  // Top-level windows are root's children (no window manager runs): their
  // creation and mapping are reported to a client watching root.
  const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
  // A round trip: the selection is in force before the program starts.
  std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));

  const double start = NowMs();
  const pid_t pid = fork();
  if (pid == 0) {
    execvp(argv[1], argv + 1);
    _exit(127);
  }

  double mapped = -1, painted = -1;
  xcb_window_t window = XCB_WINDOW_NONE;
  for (;;) {
    const double now = NowMs();
    if (painted >= 0 && now - start - painted >= kQuietMs) break;
    if (now - start > kTimeoutMs || waitpid(pid, nullptr, WNOHANG) == pid) {
      std::fprintf(stderr, "windowprobe: %s %s\n", argv[1],
                   now - start > kTimeoutMs ? "painted no window within 30 s" : "ended");
      Stop(pid);
      return 1;
    }
    std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> event(xcb_poll_for_event(c),
                                                                     &std::free);
    if (!event) {
      pollfd p{fd, POLLIN, 0};
      poll(&p, 1, 5);
      continue;
    }
    const uint8_t type = event->response_type & 0x7f;
    if (type == XCB_CREATE_NOTIFY) {
      // Watch every new top-level window's drawing from its start; which of
      // them is the main window shows when one is mapped.
      const auto* create = reinterpret_cast<const xcb_create_notify_event_t*>(event.get());
      if (create->parent != root || create->override_redirect) continue;
      xcb_damage_create(c, xcb_generate_id(c), create->window,
                        XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
      xcb_flush(c);
    } else if (type == XCB_MAP_NOTIFY && window == XCB_WINDOW_NONE) {
      const auto* map = reinterpret_cast<const xcb_map_notify_event_t*>(event.get());
      if (map->event != root || map->override_redirect) continue;  // menus, tool tips
      mapped = NowMs() - start;
      window = map->window;
    } else if (type == damage->first_event + XCB_DAMAGE_NOTIFY && window != XCB_WINDOW_NONE) {
      const auto* notify = reinterpret_cast<const xcb_damage_notify_event_t*>(event.get());
      if (notify->drawable == window) painted = NowMs() - start;
    }
  }
  std::printf("%.1f %.1f\n", mapped, painted);
  std::fflush(stdout);
  Stop(pid);
  xcb_disconnect(c);
  return 0;
}
