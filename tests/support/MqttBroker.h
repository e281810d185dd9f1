#pragma once
#include "ChildProcess.h"

#include <filesystem>
#include <memory>
#include <string>

// A real mosquitto broker for one test: a free localhost port, its config and log in a fresh
// temporary folder. It can be stopped and started again on the same port.
class CMqttBroker {
public:
    // `extraConfig` is appended to the listener's config (e.g. a password file).
    explicit CMqttBroker(const std::string& extraConfig = "allow_anonymous true\n");
    ~CMqttBroker();
    CMqttBroker(const CMqttBroker&) = delete;
    CMqttBroker& operator=(const CMqttBroker&) = delete;

    // Empty when the broker runs; else why it could not be started (for GTEST_SKIP).
    const std::string& Problem() const { return Why; }
    int Port() const { return ListenPort; }
    const std::filesystem::path& Folder() const { return Dir; }
    // mqtt://[userinfo@]127.0.0.1:PORT/topic
    std::string Url(const std::string& topic, const std::string& userinfo = "") const;
    std::string Log() const;

    // Both wait (bounded) until the port accepts connections, or no longer does.
    bool Start();
    void Stop();

private:
    std::filesystem::path Dir;
    std::string Program, Config, Why;
    int ListenPort = 0;
    std::unique_ptr<CChildProcess> Process;
};

// Writes a password file for `user` into `dir` (with mosquitto_passwd) and returns the broker
// config that requires it; "" when it cannot be made.
std::string MosquittoPasswordFile(const std::filesystem::path& dir, const std::string& user,
                                  const std::string& password);

// A localhost TCP port that nothing listens on right now.
int FreeLocalPort();
