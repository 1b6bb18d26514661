// The streamed game tune, "sfx/Universe.ogg": about 64 seconds of spacey
// arcade music (pad, arpeggio, bass, light drums, bell melody) in A minor at
// 120 beats per minute, Ogg Vorbis, stereo, 44.1 kHz.
//
// The game loops the tune, so it is rendered on a circle: every note that
// rings past the end continues at the start, and the delay and reverb run two
// laps with the second lap kept, so their tails at the start are the tails of
// the end. The last sample therefore runs into the first without a click.
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

#include "datagen/jobs.h"
#include "datagen/synth.h"

namespace datagen {

namespace {

constexpr int kStep = 5512;  // one sixteenth at 120 BPM, rounded to whole samples
constexpr int kBars = 32;
constexpr int kLength = kBars * 16 * kStep;  // 63.99 s
constexpr long kOggSerial = 0x5A1B7E0;       // fixed so the file is the same every run

float midiHz(float n) { return 440.0f * std::pow(2.0f, (n - 69.0f) / 12.0f); }

struct Stereo {
  Wave l, r;
  Stereo() : l(size_t(kLength), 0.0f), r(size_t(kLength), 0.0f) {}
  // Adds a voice of `len` samples from `start`, wrapping round the loop.
  void add(long start, int len, float pan, const std::function<float(int)>& voice) {
    float gl = std::sqrt(0.5f * (1.0f - pan)), gr = std::sqrt(0.5f * (1.0f + pan));
    for (int i = 0; i < len; ++i) {
      size_t k = size_t(((start + i) % kLength + kLength) % kLength);
      float v = voice(i);
      l[k] += v * gl;
      r[k] += v * gr;
    }
  }
};

// Renders a voice once and adds it to the dry mix and the effects send.
void addBoth(Stereo& mix, float dry, Stereo& send, float wet, long start, int len, float pan,
             const std::function<float(int)>& voice) {
  Wave v(size_t(len), 0.0f);
  for (int i = 0; i < len; ++i) v[size_t(i)] = voice(i);
  if (dry > 0) mix.add(start, len, pan, [&](int i) { return v[size_t(i)] * dry; });
  if (wet > 0) send.add(start, len, pan, [&](int i) { return v[size_t(i)] * wet; });
}

// A minor progression, two bars per chord: Am F C G.
const int kChordRoot[4] = {57, 53, 48, 55};
const int kChordThird[4] = {3, 4, 4, 4};

int chordAt(int bar) { return (bar / 2) % 4; }

void pad(Stereo& mix, Stereo& send) {
  // Detuned saws through a low-pass that breathes slowly; long attack and
  // release so the chords melt into each other.
  for (int c = 0; c < kBars / 2; ++c) {
    int chord = c % 4;
    long start = long(c) * 32 * kStep - samples(0.25f);
    int len = 32 * kStep + samples(1.5f);
    int notes[4] = {kChordRoot[chord] - 12, kChordRoot[chord], kChordRoot[chord] + kChordThird[chord],
                    kChordRoot[chord] + 7};
    for (int n = 0; n < 4; ++n) {
      for (int v = 0; v < 2; ++v) {
        float det = v == 0 ? 0.997f : 1.004f;
        float f = midiHz(float(notes[n])) * det;
        float pan = (v == 0 ? -0.6f : 0.6f) * (n % 2 ? 1.0f : 0.7f);
        float level = n == 0 ? 0.05f : 0.035f;
        Osc o;
        Svf flt;
        Wave voice(size_t(len), 0.0f);
        float k = 0;
        for (int i = 0; i < len; ++i) {
          float t = float(i) / kRate;
          float env = std::min(1.0f, t / 0.9f) * std::min(1.0f, float(len - i) / float(samples(1.4f)));
          if (i % 64 == 0) k = Svf::coef(900.0f + 500.0f * std::sin(kTwoPi * 0.11f * (float(start + i) / kRate)));
          voice[size_t(i)] = flt.stepCoef(saw(o.step(f)), k, 0.8f).lp * env * level;
        }
        mix.add(start, len, pan, [&](int i) { return voice[size_t(i)]; });
        send.add(start, len, pan, [&](int i) { return voice[size_t(i)] * 0.8f; });
      }
    }
  }
}

void arpeggio(Stereo& mix, Stereo& send) {
  // Sixteenths over the chord, rising two octaves; softer in the intro.
  const int shape[8] = {0, 1, 2, 3, 4, 3, 2, 1};
  for (int step = 0; step < kBars * 16; ++step) {
    int bar = step / 16, chord = chordAt(bar);
    int tones[5] = {0, kChordThird[chord], 7, 12, 12 + kChordThird[chord]};
    int note = kChordRoot[chord] + 12 + tones[shape[step % 8]];
    float vel = (step % 4 == 0 ? 1.0f : 0.7f) * (bar < 4 ? 0.6f : 1.0f) * (bar >= 24 && bar < 28 ? 0.5f : 1.0f);
    float f = midiHz(float(note));
    float pan = (step % 2 ? 0.45f : -0.45f);
    Osc o;
    Svf flt;
    float k = 0;
    addBoth(mix, 1.0f, send, 0.9f, long(step) * kStep, samples(0.3f), pan, [&](int i) {
      float t = float(i) / kRate;
      if (i % 16 == 0) k = Svf::coef(600.0f + 4500.0f * std::exp(-t / 0.05f));
      float x = 0.6f * sq(o.step(f), 0.3f);
      return flt.stepCoef(x, k, 1.2f).lp * envAD(t, 0.003f, 0.09f) * 0.07f * vel;
    });
  }
}

void bassLine(Stereo& mix) {
  for (int step = 0; step < kBars * 16; step += 2) {
    int bar = step / 16, chord = chordAt(bar);
    if (bar < 8 && step % 16 != 0) continue;  // held roots in the intro
    int note = kChordRoot[chord] - 24 + ((step / 2) % 4 == 3 ? 12 : 0);
    float f = midiHz(float(note));
    int len = bar < 8 ? 16 * kStep : 2 * kStep - 200;
    Osc o;
    Svf flt;
    mix.add(long(step) * kStep, len, 0.0f, [&](int i) {
      float t = float(i) / kRate;
      float p = o.step(f);
      float x = 0.7f * sine(p) + 0.35f * saw(p);
      float env = std::min(1.0f, t / 0.004f) * std::min(1.0f, float(len - i) / 300.0f);
      float cut = 300.0f + 900.0f * std::exp(-t / 0.08f);
      return flt.step(x, cut, 0.9f).lp * env * 0.22f;
    });
  }
}

void drums(Stereo& mix) {
  Noise noise(77);
  for (int step = 0; step < kBars * 16; ++step) {
    int bar = step / 16, s = step % 16;
    if (bar >= 8 && (s == 0 || s == 8 || (bar % 4 == 3 && s == 14))) {
      Osc o;
      mix.add(long(step) * kStep, samples(0.35f), 0.0f, [&](int i) {
        float t = float(i) / kRate;
        return sine(o.step(45.0f + 100.0f * std::exp(-t / 0.03f))) * envAD(t, 0.001f, 0.12f) * 0.38f;
      });
    }
    if (bar >= 8 && (s == 4 || s == 12)) {
      Svf f;
      mix.add(long(step) * kStep, samples(0.25f), 0.1f, [&](int i) {
        float t = float(i) / kRate;
        return f.step(noise.next(), 1800.0f, 0.9f).bp * envAD(t, 0.001f, 0.07f) * 0.3f;
      });
    }
    if (bar >= 4 && s % 2 == 0) {
      OnePole hp;
      float vel = s % 4 == 2 ? 1.0f : 0.55f;
      mix.add(long(step) * kStep, samples(0.06f), -0.3f, [&](int i) {
        float t = float(i) / kRate;
        return hp.hp(noise.next(), 7000.0f) * envAD(t, 0.0005f, 0.015f) * 0.12f * vel;
      });
    }
  }
}

void bells(Stereo& mix, Stereo& send) {
  // A slow melody in the second half, and scattered sparkles all the way.
  struct N {
    int step, note, len;
  };
  const N melody[] = {{0, 76, 6}, {6, 74, 2}, {8, 72, 8}, {16, 69, 12}, {32, 77, 6}, {38, 76, 2},
                      {40, 72, 8}, {48, 74, 16}, {64, 72, 6}, {70, 74, 2}, {72, 76, 8}, {80, 79, 8},
                      {88, 76, 8}, {96, 74, 6}, {102, 72, 2}, {104, 74, 8}, {112, 71, 16}};
  auto bell = [](float f, float vol) {
    return [f, vol](int i) {
      float t = float(i) / kRate;
      float mod = std::sin(kTwoPi * f * 3.5f * t) * 1.2f * std::exp(-t / 0.4f);
      return std::sin(kTwoPi * f * t + mod) * envAD(t, 0.002f, 0.7f) * vol;
    };
  };
  for (int rep = 0; rep < 2; ++rep)
    for (const N& n : melody) {
      long start = long(16 * 16 + rep * 128 + n.step) * kStep;
      float f = midiHz(float(n.note));
      addBoth(mix, 0.09f, send, 0.12f, start, samples(2.5f), 0.15f, bell(f, 1.0f));
    }
  Rng rng(4242);
  for (int step = 0; step < kBars * 16; step += 4) {
    if (rng.uniform() > 0.18f) continue;
    int chord = chordAt(step / 16);
    const int up[3] = {24, 24 + kChordThird[chord], 31};
    float f = midiHz(float(kChordRoot[chord] + up[rng.below(3)]));
    float pan = rng.range(-0.8f, 0.8f);
    send.add(long(step) * kStep, samples(2.0f), pan, bell(f, 0.05f));
  }
}

// Ping-pong delay and a small Schroeder reverb on the send. A first pass
// over the last seconds of the loop primes them, so the state entering the
// kept lap is the state at the loop's end (older input has died away by far
// more than 100 dB: the reverb's combs lose 60 dB in under 2 s and the delay
// in about 3 s).
constexpr int kPrime = 8 * kRate;
void effects(Stereo& send, Stereo& mix) {
  const int combLen[2][4] = {{1557, 1617, 1491, 1422}, {1580, 1640, 1514, 1445}};
  const int apLen[2][2] = {{225, 556}, {248, 579}};
  std::vector<float> comb[2][4], ap[2][2];
  int combPos[2][4] = {}, apPos[2][2] = {};
  float combLp[2][4] = {};
  for (int c = 0; c < 2; ++c) {
    for (int k = 0; k < 4; ++k) comb[c][k].assign(size_t(combLen[c][k] * 2), 0.0f);
    for (int k = 0; k < 2; ++k) ap[c][k].assign(size_t(apLen[c][k]), 0.0f);
  }
  const int delayLen = 3 * kStep;
  std::vector<float> dl(size_t(delayLen), 0.0f), dr(size_t(delayLen), 0.0f);
  int dpos = 0;
  for (int lap = 0; lap < 2; ++lap) {
    for (int i = lap == 0 ? kLength - kPrime : 0; i < kLength; ++i) {
      float in[2] = {send.l[size_t(i)], send.r[size_t(i)]};
      // Ping-pong: each side feeds the other.
      float el = dl[size_t(dpos)], er = dr[size_t(dpos)];
      dl[size_t(dpos)] = in[0] * 0.5f + er * 0.45f;
      dr[size_t(dpos)] = in[1] * 0.5f + el * 0.45f;
      if (++dpos == delayLen) dpos = 0;
      float wet[2];
      for (int c = 0; c < 2; ++c) {
        float x = (in[0] + in[1]) * 0.25f + (c == 0 ? el : er) * 0.3f;
        float sum = 0;
        for (int k = 0; k < 4; ++k) {
          std::vector<float>& buf = comb[c][k];
          int len = combLen[c][k] * 2;
          float y = buf[size_t(combPos[c][k])];
          combLp[c][k] = y * 0.7f + combLp[c][k] * 0.3f;
          buf[size_t(combPos[c][k])] = x + combLp[c][k] * 0.86f;
          if (++combPos[c][k] == len) combPos[c][k] = 0;
          sum += y;
        }
        float y = sum * 0.25f;
        for (int k = 0; k < 2; ++k) {
          std::vector<float>& buf = ap[c][k];
          float b = buf[size_t(apPos[c][k])];
          float out = b - 0.5f * y;
          buf[size_t(apPos[c][k])] = y + 0.5f * out;
          if (++apPos[c][k] == apLen[c][k]) apPos[c][k] = 0;
          y = out;
        }
        wet[c] = y + (c == 0 ? el : er) * 0.5f;
      }
      if (lap == 1) {
        mix.l[size_t(i)] += wet[0];
        mix.r[size_t(i)] += wet[1];
      }
    }
  }
}

bool encodeOgg(const std::string& path, const Stereo& s) {
  if (!makeParent(path)) return false;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  vorbis_info vi;
  vorbis_info_init(&vi);
  if (vorbis_encode_init_vbr(&vi, 2, kRate, 0.3f) != 0) {
    vorbis_info_clear(&vi);
    std::fclose(f);
    return false;
  }
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_comment_add_tag(&vc, "TITLE", "Universe");
  vorbis_comment_add_tag(&vc, "ARTIST", "Zipkin in Direv");
  vorbis_dsp_state vd;
  vorbis_block vb;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, int(kOggSerial));
  ogg_packet h0, h1, h2;
  vorbis_analysis_headerout(&vd, &vc, &h0, &h1, &h2);
  ogg_stream_packetin(&os, &h0);
  ogg_stream_packetin(&os, &h1);
  ogg_stream_packetin(&os, &h2);
  ogg_page og;
  bool ok = true;
  auto writePage = [&]() {
    ok = ok && std::fwrite(og.header, 1, size_t(og.header_len), f) == size_t(og.header_len);
    ok = ok && std::fwrite(og.body, 1, size_t(og.body_len), f) == size_t(og.body_len);
  };
  while (ogg_stream_flush(&os, &og) != 0) writePage();
  auto drain = [&]() {
    ogg_packet op;
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
      vorbis_analysis(&vb, nullptr);
      vorbis_bitrate_addblock(&vb);
      while (vorbis_bitrate_flushpacket(&vd, &op)) {
        ogg_stream_packetin(&os, &op);
        while (ogg_stream_pageout(&os, &og) != 0) writePage();
      }
    }
  };
  const int chunk = 4096;
  for (int pos = 0; pos < kLength; pos += chunk) {
    int n = std::min(chunk, kLength - pos);
    float** buf = vorbis_analysis_buffer(&vd, n);
    for (int i = 0; i < n; ++i) {
      buf[0][i] = s.l[size_t(pos + i)];
      buf[1][i] = s.r[size_t(pos + i)];
    }
    vorbis_analysis_wrote(&vd, n);
    drain();
  }
  vorbis_analysis_wrote(&vd, 0);
  drain();
  while (ogg_stream_flush(&os, &og) != 0) writePage();
  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return std::fclose(f) == 0 && ok;
}

bool renderUniverse(const std::string& path) {
  Stereo mix, send;
  pad(mix, send);
  arpeggio(mix, send);
  bassLine(mix);
  drums(mix);
  bells(mix, send);
  effects(send, mix);
  // Gentle high-pass against rumble and DC, primed on the loop's end too.
  OnePole hl, hr;
  for (int lap = 0; lap < 2; ++lap)
    for (int i = lap == 0 ? kLength - kPrime : 0; i < kLength; ++i) {
      float l = hl.hp(mix.l[size_t(i)], 25.0f), r = hr.hp(mix.r[size_t(i)], 25.0f);
      if (lap == 1) {
        mix.l[size_t(i)] = l;
        mix.r[size_t(i)] = r;
      }
    }
  // Peak at -1.5 dBFS so the lossy encoding has room and never clips.
  float peak = 0;
  for (int i = 0; i < kLength; ++i) peak = std::max({peak, std::fabs(mix.l[size_t(i)]), std::fabs(mix.r[size_t(i)])});
  float k = peak > 0 ? 0.84f / peak : 1.0f;
  for (int i = 0; i < kLength; ++i) {
    mix.l[size_t(i)] *= k;
    mix.r[size_t(i)] *= k;
  }
  return encodeOgg(path, mix);
}

}  // namespace

void addStreamedTuneJob(std::vector<Job>& jobs, const std::string& outDir) {
  std::string path = outDir + "/sfx/Universe.ogg";
  jobs.push_back({"sfx/Universe.ogg", [path](Fonts&) { return renderUniverse(path); }, 100000});
}

}  // namespace datagen
