#include "instruments/ca/ca_protocol.h"

#include <cmath>
#include <cstdio>

namespace halvo {

std::string CaReplyText(const Bytes& reply) {
    std::string text(reply.begin(), reply.end());
    const size_t nul = text.find('\0');
    if (nul != std::string::npos) {
        text.resize(nul);
    }
    return text;
}

std::optional<CaReading> ParseCaReply(const Bytes& reply) {
    if (reply.size() < 5 || reply[0] != 'O' || reply[1] != 'K' || reply[4] != ',') {
        return std::nullopt;
    }
    const std::string text = CaReplyText(reply);
    CaReading r;
    if (std::sscanf(text.c_str(), "OK0%d,P1 %lf;%lf;%lf", &r.status, &r.x, &r.y, &r.lv) != 4 ||
        !std::isfinite(r.x) || !std::isfinite(r.y) || !std::isfinite(r.lv)) {
        return std::nullopt;
    }
    const double scale = (r.x > 1000.0 || r.y > 1000.0) ? 10000.0 : 1000.0;
    r.x /= scale;
    r.y /= scale;
    return r;
}

}  // namespace halvo
