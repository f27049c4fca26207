#include "audio.h"

#include <lame/lame.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

float lowpassCoeff(double hz)
{
    return static_cast<float>(1.0 - std::exp(-2.0 * 3.14159265358979323846 * hz / kRate));
}

void normalise(std::vector<float>& s, double peakDb)
{
    if (s.empty())
        return;
    double mean = 0;
    for (float v : s)
        mean += v;
    mean /= static_cast<double>(s.size());
    float peak = 0;
    for (float& v : s) {
        v -= static_cast<float>(mean);
        peak = std::max(peak, std::fabs(v));
    }
    if (peak <= 0)
        return;
    const float gain = static_cast<float>(std::pow(10.0, peakDb / 20.0) / peak);
    for (float& v : s)
        v *= gain;
}

namespace {

std::vector<short> toPcm16(const std::vector<float>& s)
{
    std::vector<short> out(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        float v = std::clamp(s[i], -1.0f, 1.0f);
        out[i] = static_cast<short>(std::lround(v * 32767.0f));
    }
    return out;
}

}  // namespace

bool writeWav(const std::string& path, const std::vector<float>& s)
{
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f)
        return false;
    std::vector<short> pcm = toPcm16(s);
    bool ok = sf_write_short(f, pcm.data(), static_cast<sf_count_t>(pcm.size())) ==
              static_cast<sf_count_t>(pcm.size());
    ok = (sf_close(f) == 0) && ok;
    return ok;
}

bool writeMp3(const std::string& path, const std::vector<float>& s, int kbps)
{
    lame_global_flags* gf = lame_init();
    if (!gf)
        return false;
    lame_set_num_channels(gf, 1);
    lame_set_mode(gf, MONO);
    lame_set_in_samplerate(gf, kRate);
    lame_set_out_samplerate(gf, kRate);
    lame_set_brate(gf, kbps);
    lame_set_VBR(gf, vbr_off);
    lame_set_quality(gf, 2);
    lame_set_bWriteVbrTag(gf, 0);           // no Xing/Info frame
    lame_set_write_id3tag_automatic(gf, 0);  // no ID3 tags
    if (lame_init_params(gf) < 0) {
        lame_close(gf);
        return false;
    }
    std::vector<short> pcm = toPcm16(s);
    std::vector<unsigned char> out;
    std::vector<unsigned char> buf(static_cast<size_t>(1.25 * 8192 + 7200));
    bool ok = true;
    for (size_t at = 0; at < pcm.size() && ok; at += 8192) {
        int n = static_cast<int>(std::min<size_t>(8192, pcm.size() - at));
        int got = lame_encode_buffer(gf, pcm.data() + at, nullptr, n, buf.data(), static_cast<int>(buf.size()));
        if (got < 0)
            ok = false;
        else
            out.insert(out.end(), buf.begin(), buf.begin() + got);
    }
    if (ok) {
        int got = lame_encode_flush(gf, buf.data(), static_cast<int>(buf.size()));
        if (got < 0)
            ok = false;
        else
            out.insert(out.end(), buf.begin(), buf.begin() + got);
    }
    lame_close(gf);
    if (!ok)
        return false;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    ok = (std::fclose(f) == 0) && ok;
    return ok;
}
