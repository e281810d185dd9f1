// quelta-publish-bench [FRAMES]: publishing over MQTT on this computer, with a real mosquitto
// broker on a free localhost port.
//   latency   quelta-track --publish on the test camera (640x480@30, FRAMES frames, 900 by
//             default); for each position a subscriber receives: arrival minus the frame's
//             capture time ("time" in the JSON). p50, p99, max.
//   tool      quelta-track's CPU time per frame on the same camera with and without --publish.
//   call      CMqttPublisher::Publish alone, one call per millisecond: the caller's time per
//             call and the whole process' CPU per call (the publisher's network thread included).
#include "ChildProcess.h"
#include "MqttBroker.h"
#include "MqttPublisher.h"
#include "MqttSubscriber.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono;
using namespace std::chrono_literals;

namespace {

double Seconds(const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; }

double CpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t i = std::min(values.size() - 1, static_cast<size_t>(p * values.size()));
    return values[i];
}

double JsonTime(const std::string& json) {
    const size_t at = json.find("\"time\":");
    return at == std::string::npos ? 0.0 : std::atof(json.c_str() + at + 7);
}

// Runs quelta-track on the test camera; its CPU seconds, or a negative number on failure.
double RunTrack(long frames, const std::string& publishUrl) {
    std::vector<std::string> argv{QUELTA_TRACK, "--click", "320,240", "--frames",
                                  std::to_string(frames)};
    if (!publishUrl.empty())
        argv.insert(argv.end(), {"--publish", publishUrl});
    argv.push_back("testcam:640x480@30");
    const double before = CpuSeconds(RUSAGE_CHILDREN);
    CChildProcess track({argv, ".", "", ""});
    const auto limit = milliseconds(frames * 1000 / 30 * 3 + 30000);
    if (track.WaitExit(limit) != 0) {
        std::fprintf(stderr, "quelta-track failed or did not end in time\n");
        return -1.0;
    }
    return CpuSeconds(RUSAGE_CHILDREN) - before;
}

bool MeasureLatencyAndToolCost(const CMqttBroker& broker, long frames) {
    CMqttSubscriber subscriber(broker.Port(), "bench/position");
    if (!subscriber.WaitSubscribed(10s)) {
        std::fprintf(stderr, "the subscriber could not subscribe\n");
        return false;
    }
    const double withPublish = RunTrack(frames, broker.Url("bench"));
    const double without = RunTrack(frames, "");
    if (withPublish < 0 || without < 0)
        return false;
    subscriber.WaitFor([&](const auto& all) { return static_cast<long>(all.size()) >= frames; },
                       5s);
    std::vector<double> latencies;
    for (const CMqttMessage& message : subscriber.Messages()) {
        const double arrived = duration<double>(message.Arrived.time_since_epoch()).count();
        latencies.push_back((arrived - JsonTime(message.Payload)) * 1e3);
    }
    std::printf("latency  %zu of %ld frames heard: p50=%.2f ms p99=%.2f ms max=%.2f ms\n",
                latencies.size(), frames, Percentile(latencies, 0.50), Percentile(latencies, 0.99),
                Percentile(latencies, 1.0));
    std::printf("tool     cpu per frame: with --publish %.3f ms, without %.3f ms, "
                "publishing %.3f ms\n",
                withPublish * 1e3 / frames, without * 1e3 / frames,
                (withPublish - without) * 1e3 / frames);
    return true;
}

void MeasureCallCost(const CMqttBroker& broker) {
    CBrokerAddress address;
    address.Host = "127.0.0.1";
    address.Port = broker.Port();
    address.Topic = "cost";
    CMqttPublisher publisher(address);
    CPositionReport report{0, 0.0, true, 1, 296, 216, 343, 263, 319.5f, 239.5f, 240.0f, 320.0f};
    constexpr int Calls = 5000;
    nanoseconds inCalls{0};
    const double cpuBefore = CpuSeconds(RUSAGE_SELF);
    auto next = steady_clock::now();
    for (int i = 0; i < Calls; ++i) {
        report.Frame = i;
        report.Found = i % 100 < 90;  // presence changes now and then, as in real scenes
        report.Time = duration<double>(system_clock::now().time_since_epoch()).count();
        const auto start = steady_clock::now();
        publisher.Publish(report);
        inCalls += steady_clock::now() - start;
        next += 1ms;
        std::this_thread::sleep_until(next);
    }
    const double cpu = CpuSeconds(RUSAGE_SELF) - cpuBefore;
    std::printf("call     %d calls: caller %.2f us per call, process cpu %.2f us per call, "
                "%lld dropped\n",
                Calls, duration<double, std::micro>(inCalls).count() / Calls, cpu * 1e6 / Calls,
                publisher.Dropped());
}

}  // namespace

int main(int argc, char** argv) {
    const long frames = argc > 1 ? std::atol(argv[1]) : 900;
    if (frames < 1) {
        std::fprintf(stderr, "usage: quelta-publish-bench [FRAMES]\n");
        return 2;
    }
    CMqttBroker broker;
    if (!broker.Problem().empty()) {
        std::fprintf(stderr, "no broker: %s\n", broker.Problem().c_str());
        return 1;
    }
    // quelta-track reads the per-user store: give it an empty one, never the user's.
    setenv("XDG_CONFIG_HOME", (broker.Folder() / "config").c_str(), 1);
    MeasureCallCost(broker);
    return MeasureLatencyAndToolCost(broker, frames) ? 0 : 1;
}
