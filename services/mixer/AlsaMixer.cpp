// The recording mixers of the machine's ALSA cards: each card that records, with its simple
// mixer elements' capture volumes and capture switches (and the playback switches some drivers
// use for a microphone boost).
#include "services/mixer/CaptureMixer.h"

#include <algorithm>

#include <alsa/asoundlib.h>

#include <string>

namespace parlaro::mixer {

namespace {

bool cardRecords(int card) {
    snd_ctl_t* ctl = nullptr;
    const std::string name = "hw:" + std::to_string(card);
    if (snd_ctl_open(&ctl, name.c_str(), 0) < 0) return false;
    bool records = false;
    int device = -1;
    while (!records && snd_ctl_pcm_next_device(ctl, &device) >= 0 && device >= 0) {
        snd_pcm_info_t* info = nullptr;
        snd_pcm_info_alloca(&info);
        snd_pcm_info_set_device(info, static_cast<unsigned>(device));
        snd_pcm_info_set_stream(info, SND_PCM_STREAM_CAPTURE);
        records = snd_ctl_pcm_info(ctl, info) >= 0;
    }
    snd_ctl_close(ctl);
    return records;
}

class AlsaCaptureMixer final : public CaptureMixer {
  public:
    explicit AlsaCaptureMixer(snd_mixer_t* mixer) : mixer_(mixer) {}
    ~AlsaCaptureMixer() override { snd_mixer_close(mixer_); }
    AlsaCaptureMixer(const AlsaCaptureMixer&) = delete;
    AlsaCaptureMixer& operator=(const AlsaCaptureMixer&) = delete;

    std::vector<Control> controls() override {
        std::vector<Control> out;
        for (snd_mixer_elem_t* e = snd_mixer_first_elem(mixer_); e; e = snd_mixer_elem_next(e)) {
            if (!snd_mixer_selem_is_active(e)) continue;
            Control c;
            c.name = snd_mixer_selem_get_name(e);
            c.volume = snd_mixer_selem_has_capture_volume(e) != 0;
            c.onOff = snd_mixer_selem_has_capture_switch(e) != 0 ||
                      snd_mixer_selem_has_playback_switch(e) != 0;
            if (c.volume || c.onOff) out.push_back(c);
        }
        return out;
    }
    std::optional<long> volume(const std::string& name) override {
        snd_mixer_elem_t* e = find(name);
        long value = 0;
        if (!e || snd_mixer_selem_get_capture_volume(e, SND_MIXER_SCHN_FRONT_LEFT, &value) < 0)
            return std::nullopt;
        return value;
    }
    void setVolume(const std::string& name, long value) override {
        snd_mixer_elem_t* e = find(name);
        if (!e) return;
        long low = 0, high = 0;
        snd_mixer_selem_get_capture_volume_range(e, &low, &high);
        snd_mixer_selem_set_capture_volume_all(e, std::clamp(value, low, high));
    }
    std::optional<bool> isOn(const std::string& name) override {
        snd_mixer_elem_t* e = find(name);
        int on = 0;
        if (!e) return std::nullopt;
        const int read =
            snd_mixer_selem_has_capture_switch(e)
                ? snd_mixer_selem_get_capture_switch(e, SND_MIXER_SCHN_FRONT_LEFT, &on)
                : snd_mixer_selem_get_playback_switch(e, SND_MIXER_SCHN_FRONT_LEFT, &on);
        if (read < 0) return std::nullopt;
        return on != 0;
    }
    void setOn(const std::string& name, bool on) override {
        snd_mixer_elem_t* e = find(name);
        if (!e) return;
        if (snd_mixer_selem_has_capture_switch(e))
            snd_mixer_selem_set_capture_switch_all(e, on ? 1 : 0);
        else
            snd_mixer_selem_set_playback_switch_all(e, on ? 1 : 0);
    }

  private:
    snd_mixer_elem_t* find(const std::string& name) {
        snd_mixer_selem_id_t* id = nullptr;
        snd_mixer_selem_id_alloca(&id);
        snd_mixer_selem_id_set_name(id, name.c_str());
        return snd_mixer_find_selem(mixer_, id);
    }
    snd_mixer_t* mixer_;
};

class AlsaMixerSystem final : public MixerSystem {
  public:
    AlsaMixerSystem() {
        for (int card = -1; snd_card_next(&card) >= 0 && card >= 0;)
            if (cardRecords(card)) cards_.push_back(card);
    }
    int captureDeviceCount() override { return static_cast<int>(cards_.size()); }
    std::unique_ptr<CaptureMixer> open(int device) override {
        if (device < 0 || device >= captureDeviceCount()) return nullptr;
        snd_mixer_t* mixer = nullptr;
        if (snd_mixer_open(&mixer, 0) < 0) return nullptr;
        const std::string name = "hw:" + std::to_string(cards_[static_cast<std::size_t>(device)]);
        if (snd_mixer_attach(mixer, name.c_str()) < 0 ||
            snd_mixer_selem_register(mixer, nullptr, nullptr) < 0 || snd_mixer_load(mixer) < 0) {
            snd_mixer_close(mixer);
            return nullptr;
        }
        return std::make_unique<AlsaCaptureMixer>(mixer);
    }

  private:
    std::vector<int> cards_;
};

}  // namespace

std::unique_ptr<MixerSystem> openAlsaMixers() {
    return std::make_unique<AlsaMixerSystem>();
}

}  // namespace parlaro::mixer
