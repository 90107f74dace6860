/* Audio sample types and conversion: the host hands audio in its own wave format, VST instruments
 * work in 32-bit float. Every format is named by a small sample-type code; buffers are silenced,
 * converted between any two types (with a gain), scattered by channel and interleaved from two mono
 * runs. Exported flat functions of the framework (cdecl on i686 Windows).
 *
 * Conversion law shared by every converter and every SIMD variant (bit for bit):
 *  1. Read and normalise: an N-bit integer s stands for s / 2^(N-1); offset-binary types (8-bit
 *     unsigned, the "RA" types) are XORed with their midpoint first; floats are taken as they are.
 *  2. Multiply by the gain unless it is exactly 1.0.
 *  3. Integer destination: multiply by 2^(N-1); NaN gives 0; clamp to -2^(N-1) .. 2^(N-1)-1; round to
 *     nearest, ties to even (the processor's rounding mode, which the guarded call keeps at its
 *     default); store (offset-binary types XOR their midpoint back).
 *  4. Float destination: store the value (rounded to single precision for 32-bit float).
 * Steps 1 to 3 run in double precision when either side is a 32-bit integer or a 64-bit float, and in
 * single precision otherwise (enough for every sample of up to 24 bits); each step rounds to that
 * precision. Same-type copies with gain 1.0 move the bytes unchanged (NaN payloads and the padding
 * byte of 24-in-32 samples included).
 *
 * Layouts left open by the format codes: 24-in-32 samples (type 48) hold the sample in the upper three
 * bytes of a little-endian 32-bit word, the low byte is ignored on reading and written as zero (the
 * left-justified valid bits of WAVEFORMATEXTENSIBLE). The "RA" types 128 and 129 are offset-binary
 * little-endian integers of 16 and 24 bits (silence 0x8000 and 0x800000); the channel converters and
 * interleavers take them to and from 32-bit float and between equal types; QmAudio_Copy does not.
 *
 * Source and destination runs must not overlap, except that a run may be converted in place when
 * both types have the same width. */
#ifndef QMVSTI_FRAMEWORK_AUDIO_H
#define QMVSTI_FRAMEWORK_AUDIO_H

#include "qmvsti/com.h"

typedef int QMSAMPLETYPE;

enum {
    QMST_NONE = 0,        /* not supported */
    QMST_PCM8 = 16,       /* 8-bit unsigned, silence 0x80 */
    QMST_PCM16 = 17,      /* 16-bit signed, little-endian */
    QMST_PCM24 = 18,      /* 24-bit signed, little-endian, packed */
    QMST_PCM32 = 19,      /* 32-bit signed, little-endian */
    QMST_FLOAT32 = 32,    /* 32-bit IEEE float, full scale -1.0 .. +1.0 */
    QMST_FLOAT64 = 33,    /* 64-bit IEEE float */
    QMST_PCM24IN32 = 48,  /* 24 valid bits in a 32-bit container */
    QMST_PCM8S = 49,      /* 8-bit signed */
    QMST_PCM16BE = 64,    /* 16-bit signed, big-endian ("MAC") */
    QMST_PCM24BE = 65,    /* 24-bit signed, big-endian */
    QMST_PCM32BE = 66,    /* 32-bit signed, big-endian */
    QMST_RA16 = 128,      /* 16-bit offset binary, little-endian ("RA") */
    QMST_RA24 = 129       /* 24-bit offset binary, little-endian */
};

/* The framework's private format tags. */
#define QM_WAVE_FORMAT_PCM24IN32 0xFE00 /* 24 valid bits in 32-bit containers */
#define QM_WAVE_FORMAT_PCM_SIGNED8 0xFE01 /* PCM whose 8-bit samples are signed */
#define QM_WAVE_FORMAT_PCM_BIGENDIAN 0xFE02 /* big-endian ("MAC") PCM */
#define QM_WAVE_FORMAT_RA 0xFE03        /* the "RA" integer family */

/* Converts `samples` samples from pSrc to pDst, scaled by `gain`. */
typedef void(QMAPI* QMAUDIOCOPYPROC)(void* pDst, const void* pSrc, DWORD samples, float gain);
/* Converts one channel of `frames` frames: pDst and pSrc point at that channel's first sample, the
 * strides are the channel counts of each side. Gain 1.0. */
typedef void(QMAPI* QMAUDIOCOPYCHANNELSPROC)(void* pDst, UINT dstChannels, const void* pSrc,
                                             UINT srcChannels, DWORD frames);
/* Converts two mono runs into one interleaved stereo run (left, right, left, ...). Gain 1.0. */
typedef void(QMAPI* QMAUDIOINTERLEAVEPROC)(void* pDst, const void* pLeft, const void* pRight,
                                           DWORD frames);

#ifdef __cplusplus
#  define QM_AUDIO_NOEXCEPT noexcept
extern "C" {
#else
#  define QM_AUDIO_NOEXCEPT
#endif

/* Sample type of a wave format (WAVEFORMATEXTENSIBLE when its tag is 0xFFFE and cbSize >= 22);
 * QMST_NONE when unsupported or null. */
QM_EXPORT QMSAMPLETYPE QMAPI QmAudio_GetSampleType(const WAVEFORMATEX* pwfx) QM_AUDIO_NOEXCEPT;
/* Sample type of a plain format tag and its bits per sample; QMST_NONE when unsupported. */
QM_EXPORT QMSAMPLETYPE QMAPI QmAudio_GetSampleType2(WORD formatTag, WORD bitsPerSample) QM_AUDIO_NOEXCEPT;

/* Fills block align x frames bytes with the format's silence. S_OK (also for 0 frames); E_FAIL for a
 * tag without silence (including an extensible sub-format other than PCM or IEEE float); E_POINTER
 * for a null format, or a null buffer when there is something to write. */
QM_EXPORT HRESULT QMAPI QmAudio_FillSilence(const WAVEFORMATEX* pwfx, void* pBuffer, DWORD frames) QM_AUDIO_NOEXCEPT;
/* Fills `samples` samples of the given type with silence. S_OK; E_FAIL for a type without silence;
 * E_POINTER for a null buffer when there is something to write. */
QM_EXPORT HRESULT QMAPI QmAudio_FillSilence2(QMSAMPLETYPE type, void* pBuffer, DWORD samples) QM_AUDIO_NOEXCEPT;

/* Converts channels x frames samples. S_OK; E_NOTIMPL when no converter exists for the pair;
 * E_INVALIDARG when the channel counts differ; E_POINTER for null formats, or null buffers when
 * frames > 0. */
QM_EXPORT HRESULT QMAPI QmAudio_Copy(const WAVEFORMATEX* pwfxDst, void* pDst, const WAVEFORMATEX* pwfxSrc,
                                     const void* pSrc, DWORD frames, float gain) QM_AUDIO_NOEXCEPT;
/* Scatters the source channels: channelMap[c] is the destination channel of source channel c; a
 * negative entry or one past the destination's channels skips c; untouched destination channels keep
 * their samples. Without a map it is QmAudio_Copy with gain 1.0. Results as QmAudio_Copy. */
QM_EXPORT HRESULT QMAPI QmAudio_CopyChannels(const WAVEFORMATEX* pwfxDst, void* pDst,
                                             const WAVEFORMATEX* pwfxSrc, const void* pSrc, DWORD frames,
                                             const int* channelMap) QM_AUDIO_NOEXCEPT;
/* Interleaves two mono runs of srcType into a stereo run of dstType. S_OK; E_NOTIMPL when no
 * interleaver exists; E_POINTER for null buffers when frames > 0. */
QM_EXPORT HRESULT QMAPI QmAudio_InterleaveStereoEx(void* pDst, QMSAMPLETYPE dstType, const void* pLeft,
                                                   const void* pRight, QMSAMPLETYPE srcType, DWORD frames) QM_AUDIO_NOEXCEPT;

/* The converter for a pair (the fastest variant this processor runs), or null. */
QM_EXPORT QMAUDIOCOPYPROC QMAPI QmAudio_GetCopyFunction2(QMSAMPLETYPE dstType, QMSAMPLETYPE srcType) QM_AUDIO_NOEXCEPT;
QM_EXPORT QMAUDIOCOPYCHANNELSPROC QMAPI QmAudio_GetCopyChannelsFunction2(QMSAMPLETYPE dstType,
                                                                         QMSAMPLETYPE srcType) QM_AUDIO_NOEXCEPT;
QM_EXPORT QMAUDIOINTERLEAVEPROC QMAPI QmAudio_GetStereoInterleaveFunction(QMSAMPLETYPE dstType,
                                                                          QMSAMPLETYPE srcType) QM_AUDIO_NOEXCEPT;

#ifdef __cplusplus
}

namespace qm::audio {

/* Bytes of one sample of the type; 0 for an unknown type. */
int SampleTypeBytes(QMSAMPLETYPE type) noexcept;
/* The type's display text, printf-style with its bit depth as the one %d ("%d Bit (IEEE Float)");
 * empty for an unknown type. */
const char* SampleTypeDisplayFormat(QMSAMPLETYPE type) noexcept;
int SampleTypeDisplayBits(QMSAMPLETYPE type) noexcept;

/* The plain tag an extensible format's sub-format stands for (tttt0000-0000-0010-8000-00AA00389B71);
 * false (tag 0) when pwfx is not extensible, too short or has another sub-format. */
bool SubFormatTag(const WAVEFORMATEX* pwfx, WORD* tag) noexcept;
/* wValidBitsPerSample of an extensible format. */
WORD ValidBitsPerSample(const WAVEFORMATEX* pwfx) noexcept;

}  // namespace qm::audio
#endif

#endif
