#include "monitor/eeprom_transfer.h"

#include "common/text_format.h"

namespace halvo {

std::string EepromImage::idText() const {
    std::string text(15, ' ');
    for (size_t i = 0; i < 9; ++i) {
        text[i] = static_cast<char>(bytes[6 + i]);
    }
    return text;
}

void EepromTransfer::drain() {
    // Wait 1 ms and read until a read brings nothing; bounded, in case a device streams.
    for (int i = 0; i < 1000; ++i) {
        scheduler_.sleep(1);
        if (sender_.link().readChunk().empty()) {
            return;
        }
    }
}

std::optional<uint8_t> EepromTransfer::readByte(uint16_t address) {
    Bytes answer;
    for (int attempt = 0; attempt < kReadTries && answer.size() < 2; ++attempt) {
        if (attempt > 0) {
            // What a failed try received is part of an answer, not the start of the next one:
            // kept, its lead byte would be stored as the data and the image copied on.
            answer.clear();
            drain();
        }
        sender_.sendFrame(BuildEepromReadFrame(address), "", 0);
        // The data byte is the answer's second byte: collect until two have arrived.
        for (int waited = 0; waited < kAnswerTimeoutMs && answer.size() < 2; waited += 2) {
            scheduler_.sleep(2);
            const Bytes chunk = sender_.link().readChunk();
            answer.insert(answer.end(), chunk.begin(), chunk.end());
        }
    }
    if (answer.size() < 2) {
        return std::nullopt;
    }
    return answer[1];
}

bool EepromTransfer::read(EepromImage& image, const Progress& progress, std::string* error) {
    log_.logMessage("Read color data from EEPROM", kChannelSys);
    EepromImage fresh;
    size_t position = 0;
    if (progress) {
        progress(0);
    }
    for (const EepromArea& area : kEepromAreas) {
        drain();
        for (uint16_t k = 0; k < area.count; ++k) {
            const auto address = static_cast<uint16_t>(area.first + k);
            const std::optional<uint8_t> value = readByte(address);
            if (!value) {
                const std::string message =
                    Format("The monitor stopped answering while the EEPROM was read (address %d). "
                           "The EEPROM data held before is kept.",
                           address);
                log_.logMessage(message, kChannelSys);
                if (error) {
                    *error = message;
                }
                return false;
            }
            fresh.bytes[position++] = *value;
            if (progress) {
                progress(static_cast<int>(position));
            }
        }
    }
    fresh.present = true;
    image = fresh;
    return true;
}

void EepromTransfer::write(const EepromImage& image, const Progress& progress) {
    log_.logMessage("Write color data to EEPROM", kChannelSys);
    if (progress) {
        progress(0);
    }
    size_t position = 0;
    for (const EepromArea& area : kEepromAreas) {
        for (uint16_t k = 0; k < area.count; ++k) {
            const auto address = static_cast<uint16_t>(area.first + k);
            sender_.sendFrame(BuildEepromWriteFrame(address, image.bytes[position++]), "", 20);
            if (progress) {
                progress(static_cast<int>(position));
            }
        }
    }
}

}  // namespace halvo

namespace halvo {

bool EepromTransfer::verifyWrite(const EepromImage& image, std::string* error) {
    drain();
    size_t end = 0;
    for (const EepromArea& area : kEepromAreas) {
        end += area.count;
        const auto address = static_cast<uint16_t>(area.first + area.count - 1);
        const std::optional<uint8_t> value = readByte(address);
        std::string message;
        if (!value) {
            message = Format("The monitor did not answer after the EEPROM was written (address %d). "
                             "Write the data again once it answers.",
                             address);
        } else if (*value != image.bytes[end - 1]) {
            message = Format("The EEPROM does not hold the data written (address %d). Write the data again.",
                             address);
        }
        if (!message.empty()) {
            log_.logMessage(message, kChannelSys);
            if (error) {
                *error = message;
            }
            return false;
        }
    }
    return true;
}

}  // namespace halvo
