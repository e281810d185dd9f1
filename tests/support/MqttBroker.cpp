#include "MqttBroker.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// mosquitto lives in sbin, which an ordinary user's PATH may lack.
std::string FindProgram(const std::string& name) {
    std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    path += ":/usr/sbin:/usr/local/sbin:/sbin";
    std::istringstream dirs(path);
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        const fs::path candidate = fs::path(dir.empty() ? "." : dir) / name;
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate.string();
    }
    return "";
}

bool Accepts(int port) {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(s);
    return ok;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

int FreeLocalPort() {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    int port = 0;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    close(s);
    return port;
}

std::string MosquittoPasswordFile(const fs::path& dir, const std::string& user,
                                  const std::string& password) {
    const std::string tool = FindProgram("mosquitto_passwd");
    const fs::path file = dir / "passwords";
    if (tool.empty())
        return "";
    CChildProcess run({{tool, "-b", "-c", file.string(), user, password}, ".", "", ""});
    if (run.WaitExit(10s) != 0)
        return "";
    return "allow_anonymous false\npassword_file " + file.string() + "\n";
}

CMqttBroker::CMqttBroker(const std::string& extraConfig) {
    std::string dir = (fs::temp_directory_path() / "quelta-broker-XXXXXX").string();
    if (!mkdtemp(dir.data())) {
        Why = "cannot make a folder for the broker";
        return;
    }
    Dir = dir;
    Program = FindProgram("mosquitto");
    if (Program.empty()) {
        Why = "mosquitto is not installed (scripts/setup installs it)";
        return;
    }
    // A port picked now may be taken before the broker binds it: try a few.
    for (int attempt = 0; attempt < 3 && (ListenPort == 0 || !Why.empty()); ++attempt) {
        ListenPort = FreeLocalPort();
        // Started as root, mosquitto would become user "mosquitto" and lose this folder.
        Config = std::string(geteuid() == 0 ? "user root\n" : "") + "listener " +
                 std::to_string(ListenPort) + " 127.0.0.1\n" + extraConfig +
                 "persistence false\nlog_dest file " + (Dir / "broker.log").string() +
                 "\nlog_type all\n";
        std::ofstream(Dir / "mosquitto.conf") << Config;
        Why.clear();
        Start();
    }
}

CMqttBroker::~CMqttBroker() {
    Stop();
    std::error_code ignored;
    if (!Dir.empty())
        fs::remove_all(Dir, ignored);
}

std::string CMqttBroker::Url(const std::string& topic, const std::string& userinfo) const {
    return "mqtt://" + (userinfo.empty() ? "" : userinfo + "@") +
           "127.0.0.1:" + std::to_string(ListenPort) + "/" + topic;
}

std::string CMqttBroker::Log() const { return ReadAll(Dir / "broker.log"); }

bool CMqttBroker::Start() {
    Stop();
    Process = std::make_unique<CChildProcess>(
        CChildProcess::CStart{{Program, "-c", (Dir / "mosquitto.conf").string()},
                              Dir.string(),
                              "",
                              (Dir / "stderr.log").string()});
    const bool up = WaitUntil(
        [this] { return Accepts(ListenPort) || Process->WaitExit(0ms).has_value(); }, 10s);
    if (up && !Process->WaitExit(0ms))
        return true;
    Why = "mosquitto did not start on port " + std::to_string(ListenPort) + ": " +
          ReadAll(Dir / "stderr.log") + Log();
    Process.reset();
    return false;
}

void CMqttBroker::Stop() {
    if (!Process)
        return;
    Process->Signal(SIGTERM);
    if (!Process->WaitExit(10s))
        Process->Kill();
    Process.reset();
}
