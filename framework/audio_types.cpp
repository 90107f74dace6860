// Sample-type codes: from format tags, from wave formats (plain and extensible), and per-type facts.
#include <cstdint>
#include <cstring>

#include "framework/audio.h"

namespace {

// KSDATAFORMAT_SUBTYPE_PCM {00000001-0000-0010-8000-00AA00389B71} as it lies in memory. Every
// sub-format derived from a plain tag differs from it only in its first two bytes, which hold the tag.
const uint8_t kWaveSubFormatBase[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                        0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// Bytes of WAVEFORMATEXTENSIBLE past WAVEFORMATEX: valid bits, channel mask, sub-format.
constexpr WORD kExtensibleExtraBytes = 22;

}  // namespace

namespace qm::audio {

bool SubFormatTag(const WAVEFORMATEX* pwfx, WORD* tag) noexcept {
    *tag = 0;
    if (pwfx->wFormatTag != WAVE_FORMAT_EXTENSIBLE) return false;
    // Hosts built before the extensible format existed pass cbSize 0 with the tag: no sub-format then.
    if (pwfx->cbSize < kExtensibleExtraBytes) return false;
    const auto* ext = reinterpret_cast<const WAVEFORMATEXTENSIBLE*>(pwfx);
    uint8_t guid[16];
    std::memcpy(guid, &ext->SubFormat, sizeof(guid));
    if (std::memcmp(guid + 2, kWaveSubFormatBase + 2, sizeof(guid) - 2) != 0) return false;
    *tag = WORD(guid[0] | guid[1] << 8);
    return true;
}

WORD ValidBitsPerSample(const WAVEFORMATEX* pwfx) noexcept {
    const auto* ext = reinterpret_cast<const WAVEFORMATEXTENSIBLE*>(pwfx);
    WORD bits;
    std::memcpy(&bits, &ext->Samples, sizeof(bits));
    return bits;
}

int SampleTypeBytes(QMSAMPLETYPE type) noexcept {
    switch (type) {
        case QMST_PCM8:
        case QMST_PCM8S: return 1;
        case QMST_PCM16:
        case QMST_PCM16BE:
        case QMST_RA16: return 2;
        case QMST_PCM24:
        case QMST_PCM24BE:
        case QMST_RA24: return 3;
        case QMST_PCM32:
        case QMST_PCM32BE:
        case QMST_FLOAT32:
        case QMST_PCM24IN32: return 4;
        case QMST_FLOAT64: return 8;
        default: return 0;
    }
}

const char* SampleTypeDisplayFormat(QMSAMPLETYPE type) noexcept {
    switch (type) {
        case QMST_PCM8:
        case QMST_PCM16:
        case QMST_PCM24:
        case QMST_PCM32: return "%d Bit";
        case QMST_FLOAT32:
        case QMST_FLOAT64: return "%d Bit (IEEE Float)";
        case QMST_PCM24IN32: return "24 Bit (Unpacked)";
        case QMST_PCM8S: return "8 Bit (Signed)";
        case QMST_PCM16BE:
        case QMST_PCM24BE:
        case QMST_PCM32BE: return "%d Bit (MAC)";
        case QMST_RA16:
        case QMST_RA24: return "%d Bit (RA)";
        default: return "";
    }
}

int SampleTypeDisplayBits(QMSAMPLETYPE type) noexcept {
    return type == QMST_PCM24IN32 ? 24 : SampleTypeBytes(type) * 8;
}

}  // namespace qm::audio

extern "C" QM_EXPORT QMSAMPLETYPE QMAPI QmAudio_GetSampleType2(WORD formatTag, WORD bitsPerSample) noexcept {
    switch (formatTag) {
        case WAVE_FORMAT_PCM:
        case QM_WAVE_FORMAT_PCM_SIGNED8:
            switch (bitsPerSample) {
                case 8: return formatTag == WAVE_FORMAT_PCM ? QMST_PCM8 : QMST_PCM8S;
                case 16: return QMST_PCM16;
                case 20:  // 20-bit samples travel in packed 24-bit containers
                case 24: return QMST_PCM24;
                case 32: return QMST_PCM32;
                default: return QMST_NONE;
            }
        case WAVE_FORMAT_IEEE_FLOAT:
            return bitsPerSample == 32 ? QMST_FLOAT32 : bitsPerSample == 64 ? QMST_FLOAT64 : QMST_NONE;
        case QM_WAVE_FORMAT_PCM24IN32:
            return bitsPerSample == 24 || bitsPerSample == 32 ? QMST_PCM24IN32 : QMST_NONE;
        case QM_WAVE_FORMAT_PCM_BIGENDIAN:
            switch (bitsPerSample) {
                case 8: return QMST_PCM8;
                case 16: return QMST_PCM16BE;
                case 24: return QMST_PCM24BE;
                case 32: return QMST_PCM32BE;
                default: return QMST_NONE;
            }
        case QM_WAVE_FORMAT_RA:
            return bitsPerSample == 16 ? QMST_RA16 : bitsPerSample == 24 ? QMST_RA24 : QMST_NONE;
        default: return QMST_NONE;
    }
}

extern "C" QM_EXPORT QMSAMPLETYPE QMAPI QmAudio_GetSampleType(const WAVEFORMATEX* pwfx) noexcept {
    if (!pwfx) return QMST_NONE;
    if (pwfx->wFormatTag != WAVE_FORMAT_EXTENSIBLE)
        return QmAudio_GetSampleType2(pwfx->wFormatTag, pwfx->wBitsPerSample);
    WORD tag;
    if (!qm::audio::SubFormatTag(pwfx, &tag)) return QMST_NONE;
    const QMSAMPLETYPE type = QmAudio_GetSampleType2(tag, pwfx->wBitsPerSample);
    if (type == QMST_PCM32 && qm::audio::ValidBitsPerSample(pwfx) == 24) return QMST_PCM24IN32;
    return type;
}
