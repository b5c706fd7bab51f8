#include "sound/audio/ServerLatency.h"

#include <pulse/pulseaudio.h>

#include <dlfcn.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

namespace {

constexpr auto kConnectTimeout = std::chrono::milliseconds(300);
// Connecting notes the streams there are; a slow answer there costs start-up only.
constexpr auto kFirstQueryTimeout = std::chrono::milliseconds(200);
constexpr auto kWatchPeriod = std::chrono::milliseconds(100);

}  // namespace

// libpulse's entry points, resolved at run time, and one connection through them.
struct ServerLatency::Connection {
    void* library = nullptr;
    decltype(&pa_mainloop_new) mainloopNew = nullptr;
    decltype(&pa_mainloop_free) mainloopFree = nullptr;
    decltype(&pa_mainloop_get_api) mainloopApi = nullptr;
    decltype(&pa_mainloop_prepare) mainloopPrepare = nullptr;
    decltype(&pa_mainloop_poll) mainloopPoll = nullptr;
    decltype(&pa_mainloop_dispatch) mainloopDispatch = nullptr;
    decltype(&pa_context_new) contextNew = nullptr;
    decltype(&pa_context_connect) contextConnect = nullptr;
    decltype(&pa_context_get_state) contextState = nullptr;
    decltype(&pa_context_disconnect) contextDisconnect = nullptr;
    decltype(&pa_context_unref) contextUnref = nullptr;
    decltype(&pa_context_get_sink_input_info_list) sinkInputList = nullptr;
    decltype(&pa_operation_get_state) operationState = nullptr;
    decltype(&pa_operation_cancel) operationCancel = nullptr;
    decltype(&pa_operation_unref) operationUnref = nullptr;
    decltype(&pa_proplist_gets) proplistGets = nullptr;

    pa_mainloop* mainloop = nullptr;
    pa_context* context = nullptr;
    // Kept between readings so that the audio thread does not allocate each time.
    std::vector<StreamReading> readings;

    ~Connection() {
        if (context != nullptr) {
            contextDisconnect(context);
            contextUnref(context);
        }
        if (mainloop != nullptr) {
            mainloopFree(mainloop);
        }
        if (library != nullptr) {
            dlclose(library);
        }
    }

    template <typename F>
    bool resolve(F& entry, const char* name) {
        entry = reinterpret_cast<F>(dlsym(library, name));
        return entry != nullptr;
    }

    bool load() {
        library = dlopen("libpulse.so.0", RTLD_NOW | RTLD_LOCAL);
        return library != nullptr && resolve(mainloopNew, "pa_mainloop_new") &&
               resolve(mainloopFree, "pa_mainloop_free") && resolve(mainloopApi, "pa_mainloop_get_api") &&
               resolve(mainloopPrepare, "pa_mainloop_prepare") && resolve(mainloopPoll, "pa_mainloop_poll") &&
               resolve(mainloopDispatch, "pa_mainloop_dispatch") && resolve(contextNew, "pa_context_new") &&
               resolve(contextConnect, "pa_context_connect") && resolve(contextState, "pa_context_get_state") &&
               resolve(contextDisconnect, "pa_context_disconnect") && resolve(contextUnref, "pa_context_unref") &&
               resolve(sinkInputList, "pa_context_get_sink_input_info_list") &&
               resolve(operationState, "pa_operation_get_state") &&
               resolve(operationCancel, "pa_operation_cancel") && resolve(operationUnref, "pa_operation_unref") &&
               resolve(proplistGets, "pa_proplist_gets");
    }

    bool failed() const {
        pa_context_state_t state = contextState(context);
        return state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED;
    }

    // Runs the main loop until done() or the deadline; never blocks for longer.
    template <typename Done>
    bool runUntil(Done done, std::chrono::milliseconds timeout) {
        auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!done()) {
            if (failed() || std::chrono::steady_clock::now() >= deadline) {
                return false;
            }
            if (mainloopPrepare(mainloop, 10000) < 0 || mainloopPoll(mainloop) < 0 ||
                mainloopDispatch(mainloop) < 0) {
                return false;
            }
        }
        return true;
    }

    bool open() {
        if (!load() || (mainloop = mainloopNew()) == nullptr ||
            (context = contextNew(mainloopApi(mainloop), "morvel latency")) == nullptr) {
            return false;
        }
        if (contextConnect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            return false;
        }
        return runUntil([this] { return contextState(context) == PA_CONTEXT_READY; }, kConnectTimeout);
    }

    // The server's playback streams with their process and latency; false if the
    // server did not answer in time.
    bool readStreams(std::vector<StreamReading>& readings, std::chrono::milliseconds timeout) {
        struct Query {
            Connection* connection;
            std::vector<StreamReading>* readings;
            bool done = false;
        } query{this, &readings};
        readings.clear();
        auto collect = [](pa_context*, const pa_sink_input_info* info, int eol, void* user) {
            Query& q = *static_cast<Query*>(user);
            if (eol != 0 || info == nullptr) {
                q.done = true;
                return;
            }
            const char* pid = q.connection->proplistGets(info->proplist, PA_PROP_APPLICATION_PROCESS_ID);
            long long processId = pid != nullptr ? std::atoll(pid) : -1;
            q.readings->push_back({info->index, processId,
                                   static_cast<long long>(info->buffer_usec + info->sink_usec)});
        };
        pa_operation* operation = sinkInputList(context, collect, &query);
        if (operation == nullptr) {
            return false;
        }
        bool answered = runUntil([&query] { return query.done; }, timeout);
        if (!answered) {
            operationCancel(operation);
        }
        operationUnref(operation);
        return answered;
    }
};

ServerLatency::ServerLatency() = default;

ServerLatency::~ServerLatency() {
    stop();
}

bool ServerLatency::connect() {
    std::unique_ptr<Connection> opened(new Connection);
    std::vector<StreamReading> readings;
    if (!opened->open() || !opened->readStreams(readings, kFirstQueryTimeout)) {
        return false;
    }
    processId = getpid();
    zeroAnswersInRow = 0;
    givenUp = false;
    earlierIndices.clear();
    for (const StreamReading& reading : readings) {
        if (reading.processId == processId) {
            earlierIndices.push_back(reading.index);
        }
    }
    connection = std::move(opened);
    return true;
}

long long ServerLatency::readLatencyUs() {
    if (connection == nullptr || givenUp) {
        return -1;
    }
    std::vector<StreamReading>& readings = connection->readings;
    if (!connection->readStreams(readings, std::chrono::milliseconds(kQueryTimeoutMs))) {
        if (connection->failed()) {
            connection.reset();  // the server has gone
        }
        return -1;
    }
    long long latencyUs = latencyOfNewStream(readings, earlierIndices, processId);
    zeroAnswersInRow = latencyUs == 0 ? zeroAnswersInRow + 1 : 0;
    givenUp = zeroAnswersInRow >= kZeroAnswersBeforeGivingUp;
    return latencyUs > 0 ? latencyUs : -1;
}

void ServerLatency::watch(std::function<void(long long)> report) {
    if (connection == nullptr || watcher.joinable()) {
        return;
    }
    stopping = false;
    watcher = std::thread([this, report] { run(report); });
}

void ServerLatency::stop() {
    stopping = true;
    if (watcher.joinable()) {
        watcher.join();
    }
    connection.reset();
}

void ServerLatency::run(std::function<void(long long)> report) {
    while (!stopping) {
        auto next = std::chrono::steady_clock::now() + kWatchPeriod;
        long long latencyUs = readLatencyUs();
        if (latencyUs > 0) {
            report(latencyUs);
        } else if (connection == nullptr) {
            return;  // the server has gone; what was measured last stays
        }
        while (!stopping && std::chrono::steady_clock::now() < next) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
}

long long ServerLatency::latencyOfNewStream(const std::vector<StreamReading>& readings,
                                            const std::vector<unsigned>& earlierIndices, long long processId) {
    const StreamReading* chosen = nullptr;
    for (const StreamReading& reading : readings) {
        bool earlier = false;
        for (unsigned index : earlierIndices) {
            earlier = earlier || index == reading.index;
        }
        if (reading.processId == processId && !earlier && (chosen == nullptr || reading.index < chosen->index)) {
            chosen = &reading;
        }
    }
    return chosen != nullptr ? chosen->latencyUs : -1;
}
