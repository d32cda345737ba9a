#include "radiometric/recording_core.h"


namespace halvo::test {
namespace {

RecordingCore* g_core = nullptr;

std::string Arg(int32_t v) {
    return std::to_string(v);
}
template <typename T>
std::string Arg(T* p) {
    return p != nullptr ? "&" : "0";
}

template <typename... Args>
int32_t Record(int ordinal, Args... args) {
    std::string text = std::to_string(ordinal) + "(";
    bool first = true;
    ((text += (first ? "" : ",") + Arg(args), first = false), ...);
    g_core->calls.push_back(text + ")");
    auto& queue = g_core->codes[ordinal];
    if (queue.empty()) {
        return 0;
    }
    const int32_t code = queue.front();
    queue.pop_front();
    return code;
}

// Writes the scripted answer into each output of a successful call, in argument order.
struct Answer {
    const RecordingCore& core;
    int ordinal;
    int ints = 0;
    int floats = 0;

    void operator()(int32_t) {}
    void operator()(int32_t* out) {
        if (out == nullptr) {
            return;
        }
        switch (ordinal) {
            case 1: *out = core.devices; break;
            case 8: *out = core.running; break;
            case 12: *out = core.liveView; break;
            case 29: *out = ints == 0 ? core.begin : ints == 1 ? core.end : core.step; break;
            default: *out = 1000 + ints; break;
        }
        ++ints;
    }
    void operator()(double* out) {
        if (out != nullptr) {
            *out = core.value;
        }
    }
    void operator()(float* out) {
        if (out != nullptr) {
            *out = core.xyz[floats % 3];
        }
        ++floats;
    }
};

template <int N, typename... Args>
int32_t Call(Args... args) {
    const int32_t code = Record(N, args...);
    if (code == 0) {
        Answer answer{*g_core, N};
        (answer(args), ...);
    }
    return code;
}

template <int N, typename... Args>
PelkoCoreProc Offer(int32_t (*)(Args...)) {
    return reinterpret_cast<PelkoCoreProc>(&Call<N, Args...>);
}

#define OFFER(n) \
    case n: return Offer<n>(static_cast<PelkoCall##n>(nullptr))

PelkoCoreProc Lookup(int32_t ordinal) {
    if (g_core == nullptr || g_core->absent.count(ordinal) != 0) {
        return nullptr;
    }
    switch (ordinal) {
        OFFER(1); OFFER(2); OFFER(3); OFFER(4); OFFER(6); OFFER(7); OFFER(8); OFFER(12); OFFER(13);
        OFFER(20); OFFER(22); OFFER(24); OFFER(26); OFFER(28); OFFER(29); OFFER(30); OFFER(35);
        OFFER(36); OFFER(37); OFFER(38); OFFER(39); OFFER(40); OFFER(41); OFFER(56); OFFER(57);
        OFFER(63); OFFER(64); OFFER(65); OFFER(73); OFFER(74); OFFER(75); OFFER(80); OFFER(100);
        OFFER(101); OFFER(102); OFFER(104); OFFER(106); OFFER(115);
        default: return nullptr;
    }
}

}  // namespace

PelkoCoreLookup RecordingCore::lookup() {
    g_core = this;
    return Lookup;
}

std::vector<std::string> RecordingCore::take() {
    std::vector<std::string> out;
    out.swap(calls);
    return out;
}

}  // namespace halvo::test
