// SPDX-License-Identifier: Zlib
#include "web_page.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace e2e {

namespace {

// Far beyond what any request takes on a busy machine (a page's first load included).
constexpr int kAnswerMs = 120000;

bool ReadExactly(int fd, char* out, size_t n) {
  size_t got = 0;
  while (got < n) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, kAnswerMs) <= 0) return false;
    const ssize_t r = read(fd, out + got, n - got);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    got += size_t(r);
  }
  return true;
}

}  // namespace

WebPage::WebPage(const std::string& site, double pixelRatio, int width, int height, const std::string& browser)
    : dir_(std::make_unique<TempDir>("web")) {
  // Chromium draws WebGL headless; the others need a display.
  if (browser != "chromium") display_ = std::make_unique<VirtualDisplay>("1600x1200x24");
  int pair[2];
  if (socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0)
    throw std::runtime_error("no socket pair for the browser's bridge");
  fcntl(pair[0], F_SETFD, FD_CLOEXEC);  // the bridge keeps only its own end
  char ratio[32];
  std::snprintf(ratio, sizeof ratio, "%g", pixelRatio);
  SpawnOptions o;
  o.argv = {"/usr/bin/python3", WEB_BRIDGE_PATH, std::to_string(pair[1]), site, browser, ratio,
            std::to_string(width), std::to_string(height)};
  o.env = CleanEnvironment();
  if (display_) o.env["DISPLAY"] = display_->name();
  o.stderrPath = *dir_ / "bridge.txt";
  o.inheritFd = pair[1];
  bridge_ = Process(o);
  close(pair[1]);
  link_ = pair[0];
  Ask("url");  // answered once the browser is up
}

WebPage::~WebPage() {
  if (link_ >= 0) {
    (void)!send(link_, "quit\n", 5, MSG_NOSIGNAL);
    if (!bridge_.Wait(milliseconds(20000))) bridge_.KillGroup();
    close(link_);
  }
}

std::string WebPage::Ask(const std::string& command, const std::string& argument) {
  std::string request = command + " " + argument + "\n";
  for (size_t sent = 0; sent < request.size();) {
    // A bridge that has gone must fail the request, not end the test with SIGPIPE.
    const ssize_t w = send(link_, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) throw std::runtime_error("the browser's bridge has gone:\n" + ReadFile(*dir_ / "bridge.txt"));
    sent += size_t(w);
  }
  std::string head;
  for (char c = 0; c != '\n';) {
    if (!ReadExactly(link_, &c, 1))
      throw std::runtime_error("no answer from the browser's bridge to " + command + ":\n" +
                               ReadFile(*dir_ / "bridge.txt"));
    head += c;
  }
  const size_t space = head.find(' ');
  std::string answer(std::stoul(head.substr(space + 1)), '\0');
  if (!ReadExactly(link_, answer.data(), answer.size()))
    throw std::runtime_error("the browser's bridge broke off its answer to " + command);
  if (head.rfind("ok ", 0) != 0) throw std::runtime_error(command + " " + argument + ": " + answer);
  return answer;
}

void WebPage::Open(const std::string& page) { Ask("open", page); }
std::string WebPage::Eval(const std::string& script) { return Ask("eval", script); }
std::string WebPage::Log() { return Ask("log"); }
void WebPage::Click(int x, int y) { Ask("click", std::to_string(x) + " " + std::to_string(y)); }
void WebPage::Size(int width, int height, double pixelRatio, bool phone) {
  char size[96];
  std::snprintf(size, sizeof size, "%d %d %g %s", width, height, pixelRatio, phone ? "mobile" : "desktop");
  Ask("size", size);
}
void WebPage::Key(const std::string& key, bool down) { Ask(down ? "down" : "up", key); }
void WebPage::MovePointer(int x, int y) { Ask("move", std::to_string(x) + " " + std::to_string(y)); }

namespace {

// RGBA rows into 0xRRGGBB pixels.
Picture FromRgba(int width, int height, const char* data) {
  Picture p;
  p.width = width, p.height = height;
  p.pixels.resize(size_t(width) * size_t(height));
  const auto* rgba = reinterpret_cast<const unsigned char*>(data);
  for (size_t i = 0; i < p.pixels.size(); ++i, rgba += 4)
    p.pixels[i] = uint32_t(rgba[0]) << 16 | uint32_t(rgba[1]) << 8 | rgba[2];
  return p;
}

}  // namespace

bool WebPage::Record(int top, int rows) {
  Ask("record", std::to_string(top) + " " + std::to_string(rows));
  return true;
}

std::vector<Picture> WebPage::Recorded() {
  const std::string answer = Ask("recorded");
  std::istringstream in(answer);
  int width = 0, rows = 0;
  size_t frames = 0;
  in >> width >> rows >> frames;
  std::vector<double> ms(frames);
  for (double& t : ms) in >> t;
  in.ignore(1);  // the times' line ends
  const size_t offset = size_t(in.tellg()), bytes = size_t(width) * size_t(rows) * 4;
  if (!in || answer.size() - offset != frames * bytes)
    throw std::runtime_error("a recording of the canvas that is not " + std::to_string(frames) + " bands");
  std::vector<Picture> out;
  for (size_t i = 0; i < frames; ++i) {
    out.push_back(FromRgba(width, rows, answer.data() + offset + i * bytes));
    out.back().time = Clock::time_point(
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(ms[i])));
  }
  return out;
}

Picture WebPage::Capture(int top, int rows) {
  const auto before = Clock::now();
  const std::string answer = Ask("shot", std::to_string(top) + " " + std::to_string(rows));
  const auto after = Clock::now();
  int width = 0, height = 0;
  const size_t offset = answer.find('\n') + 1;  // "<width> <height>\n", then RGBA rows
  if (offset == 0 || std::sscanf(answer.substr(0, offset).c_str(), "%d %d", &width, &height) != 2 ||
      width <= 0 || height <= 0 || answer.size() - offset != size_t(width) * size_t(height) * 4)
    throw std::runtime_error("a capture of the canvas that is not " + std::to_string(width) + " by " +
                             std::to_string(height) + " pixels");
  Picture p = FromRgba(width, height, answer.data() + offset);
  p.time = before + (after - before) / 2;
  return p;
}

}  // namespace e2e
