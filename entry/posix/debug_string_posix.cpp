// QmDebugString on Linux. The user's profile file is the INI file
//     $XDG_CONFIG_HOME/Kelo Zezazidu Software/profile.ini   (XDG_CONFIG_HOME defaults to ~/.config)
// whose [Debug] section holds the same keys as win.ini on Windows: LogToFilePath (default "COM1"),
// DeviceIoctl (default 0). "COMn" names the serial port /dev/ttyS<n-1>, set to 115200 baud 8N1;
// Windows' "AUX" alias has no counterpart, so an unopenable COM1 silences mode 2. A non-zero
// DeviceIoctl sends each line with ioctl(2) instead of write(2).
// There is no screen to draw on: every other mode writes the line to stderr.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "entry/entry.h"
#include "platform/text.h"

namespace {

constexpr int kAnsiBytes = 640;  // one line, terminator included

struct FileTarget {
    bool setUp = false;
    int fd = -1;
    unsigned long ioctlCode = 0;
};
FileTarget g_file;

std::string ProfilePath() {
    // Only an absolute XDG_CONFIG_HOME counts, as the XDG base-directory rules ask.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string folder;
    if (config != nullptr && config[0] == '/') {
        folder = config;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || home[0] == 0) return std::string();
        folder = std::string(home) + "/.config";
    }
    return folder + "/Kelo Zezazidu Software/profile.ini";
}

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

bool EqualNoCase(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    }
    return true;
}

// GetProfileString over the INI file: section and key names ignore case, the first match wins.
std::string ProfileString(const char* section, const char* key, const char* fallback) {
    std::ifstream in(ProfilePath());
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            inSection = EqualNoCase(Trim(line.substr(1, line.size() - 2)), section);
            continue;
        }
        const size_t eq = line.find('=');
        if (inSection && eq != std::string::npos && EqualNoCase(Trim(line.substr(0, eq)), key))
            return Trim(line.substr(eq + 1));
    }
    return fallback;
}

int OpenSerialPort(const std::string& name) {
    const int number = std::atoi(name.c_str() + 3);
    if (number < 1) return -1;
    const std::string device = "/dev/ttyS" + std::to_string(number - 1);
    const int fd = open(device.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    termios tio;
    if (tcgetattr(fd, &tio) == 0) {
        cfsetospeed(&tio, B115200);
        tio.c_cflag = (tio.c_cflag & ~(CSIZE | PARENB)) | CS8;
        tcsetattr(fd, TCSANOW, &tio);
    }
    return fd;
}

void SetUpFileTarget() {
    g_file.setUp = true;
    const std::string path = ProfileString("Debug", "LogToFilePath", "COM1");
    if (path.size() > 3 && EqualNoCase(path.substr(0, 3), "COM") &&
        path.find_first_not_of("0123456789", 3) == std::string::npos) {
        g_file.fd = OpenSerialPort(path);
    } else if (!path.empty()) {
        // Like CreateFile's open-always: created when missing, written from its start otherwise.
        g_file.fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    }
    g_file.ioctlCode = std::strtoul(ProfileString("Debug", "DeviceIoctl", "0").c_str(), nullptr, 10);
}

void WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t done = write(fd, data, size);
        if (done <= 0) return;
        data += done;
        size -= static_cast<size_t>(done);
    }
}

}  // namespace

QM_EXTERN_C QM_EXPORT DWORD QM_STDCALL QmDebugString(LPCWSTR text, BOOL newLine, DWORD mode) noexcept {
    static const WCHAR empty[1] = {0};
    if (text == nullptr) text = empty;
    char line[kAnsiBytes + 2];
    size_t length = qm::platform::WideToAnsi(text, -1, line, kAnsiBytes);
    if (mode != 2) {
        if (newLine) line[length++] = '\n';
        WriteAll(STDERR_FILENO, line, length);
        return 0;
    }
    try {
        if (!g_file.setUp) SetUpFileTarget();
    } catch (...) {
        // Reading the profile ran out of memory: output stays off, as for an unopenable target.
        g_file.setUp = true;
    }
    if (g_file.fd < 0) return 0;
    if (g_file.ioctlCode != 0) {
        if (newLine) line[length++] = '\n';
        line[length] = 0;
        ioctl(g_file.fd, g_file.ioctlCode, line);
    } else {
        if (newLine) {
            line[length++] = '\r';
            line[length++] = '\n';
        }
        WriteAll(g_file.fd, line, length);
    }
    return 0;
}

void qm::CloseDebugOutput() noexcept {
    if (g_file.fd >= 0) close(g_file.fd);
    g_file = FileTarget();
}
