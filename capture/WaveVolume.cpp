// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/WaveVolume.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cstdarg>
#include <memory>

namespace vantaro {

namespace {

constexpr long FullLevel = 65535;

// ALSA reports every failure on the standard error unless told otherwise; a missing sound card
// is not worth a word here.
void silentAlsaError(const char*, int, const char*, int, const char*, ...) {}

struct MixerCloser {
    void operator()(snd_mixer_t* mixer) const { snd_mixer_close(mixer); }
};
using Mixer = std::unique_ptr<snd_mixer_t, MixerCloser>;

// The open mixer of a card, or null when the card cannot be opened.
Mixer openMixer(const std::string& card) {
    static const bool quiet = [] {
        snd_lib_error_set_handler(silentAlsaError);
        return true;
    }();
    (void)quiet;
    snd_mixer_t* raw = nullptr;
    if (snd_mixer_open(&raw, 0) < 0)
        return nullptr;
    Mixer mixer(raw);
    if (snd_mixer_attach(raw, card.c_str()) < 0 ||
        snd_mixer_selem_register(raw, nullptr, nullptr) < 0 || snd_mixer_load(raw) < 0)
        return nullptr;
    return mixer;
}

// The element's playback control, or null when the mixer has none by that name.
snd_mixer_elem_t* playbackElement(snd_mixer_t* mixer, const std::string& name) {
    snd_mixer_selem_id_t* id = nullptr;
    if (snd_mixer_selem_id_malloc(&id) < 0)
        return nullptr;
    snd_mixer_selem_id_set_index(id, 0);
    snd_mixer_selem_id_set_name(id, name.c_str());
    snd_mixer_elem_t* element = snd_mixer_find_selem(mixer, id);
    snd_mixer_selem_id_free(id);
    if (element == nullptr || !snd_mixer_selem_has_playback_volume(element))
        return nullptr;
    return element;
}

} // namespace

long mixerValueOfLevel(std::uint16_t level, long minimum, long maximum) {
    if (maximum <= minimum)
        return minimum;
    const long long span = static_cast<long long>(maximum) - minimum;
    return minimum + static_cast<long>((span * level + FullLevel / 2) / FullLevel);
}

std::uint16_t levelOfMixerValue(long value, long minimum, long maximum) {
    if (maximum <= minimum)
        return 0;
    const long long span = static_cast<long long>(maximum) - minimum;
    const long long offset =
        std::clamp<long long>(static_cast<long long>(value) - minimum, 0, span);
    return static_cast<std::uint16_t>((offset * FullLevel + span / 2) / span);
}

AlsaWaveVolume::AlsaWaveVolume(std::string card, std::string element)
    : m_card(std::move(card)), m_element(std::move(element)) {}

std::optional<std::uint16_t> AlsaWaveVolume::level() {
    const Mixer mixer = openMixer(m_card);
    snd_mixer_elem_t* element = mixer ? playbackElement(mixer.get(), m_element) : nullptr;
    if (element == nullptr)
        return std::nullopt;
    long minimum = 0;
    long maximum = 0;
    long value = 0;
    if (snd_mixer_selem_get_playback_volume_range(element, &minimum, &maximum) < 0 ||
        snd_mixer_selem_get_playback_volume(element, SND_MIXER_SCHN_FRONT_LEFT, &value) < 0)
        return std::nullopt;
    return levelOfMixerValue(value, minimum, maximum);
}

void AlsaWaveVolume::setLevel(std::uint16_t level) {
    const Mixer mixer = openMixer(m_card);
    snd_mixer_elem_t* element = mixer ? playbackElement(mixer.get(), m_element) : nullptr;
    if (element == nullptr)
        return;
    long minimum = 0;
    long maximum = 0;
    if (snd_mixer_selem_get_playback_volume_range(element, &minimum, &maximum) < 0)
        return;
    const long value = mixerValueOfLevel(level, minimum, maximum);
    if (snd_mixer_selem_is_playback_mono(element)) {
        snd_mixer_selem_set_playback_volume(element, SND_MIXER_SCHN_MONO, value);
        return;
    }
    snd_mixer_selem_set_playback_volume(element, SND_MIXER_SCHN_FRONT_LEFT, value);
    snd_mixer_selem_set_playback_volume(element, SND_MIXER_SCHN_FRONT_RIGHT, value);
}

} // namespace vantaro
