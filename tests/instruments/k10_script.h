#pragma once

// A scripted K-10 on an in-process port: it answers each command with the replies queued for
// it (the last one repeats), optionally in pieces that arrive one per read.

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "instruments/k10/k10_protocol.h"
#include "support/recording_endpoint.h"

namespace halvo::test {

struct K10Script : RecordingEndpoint {
    // By command without its CR; the byte after "D1" as "#<slot>".
    std::map<std::string, std::deque<K10Bytes>> replies;
    size_t pieceSize = 0;  // 0: a reply arrives whole
    std::vector<std::string> commands;

    void script(const std::string& command, K10Bytes reply) { replies[command].push_back(std::move(reply)); }

    void receive(const uint8_t* data, size_t length) override {
        RecordingEndpoint::receive(data, length);
        if (length == 0) {
            return;
        }
        std::string command(data, data + length - 1);
        if (afterEcho_ && length == 2) {
            command = "#" + std::to_string(data[0]);
        }
        afterEcho_ = command == "D1";
        commands.push_back(command);
        auto it = replies.find(command);
        if (it == replies.end() || it->second.empty()) {
            return;
        }
        const K10Bytes reply = it->second.front();
        if (it->second.size() > 1) {
            it->second.pop_front();
        }
        const size_t piece = pieceSize == 0 ? reply.size() : pieceSize;
        for (size_t at = 0; at < reply.size(); at += piece) {
            answer(K10Bytes(reply.begin() + static_cast<std::ptrdiff_t>(at),
                            reply.begin() + static_cast<std::ptrdiff_t>(std::min(reply.size(), at + piece))));
        }
    }
    void purge() override {
        RecordingEndpoint::purge();
        chunks.clear();
    }

    int count(const std::string& command) const {
        int n = 0;
        for (const std::string& c : commands) {
            n += c == command ? 1 : 0;
        }
        return n;
    }

private:
    bool afterEcho_ = false;
};

}  // namespace halvo::test
