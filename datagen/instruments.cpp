// Instrument samples of the procedural music player, "inst/...".
//
// Drums: four kits of eight one-shots, d<kit>-1..8 = kick, snare, closed hat,
// open hat, low tom, high tom, clap, crash (the player maps its drum notes
// onto those numbers).
//
// Melodic samples (lead, accompaniment, bass) are looped by the player while a
// note sounds, and pitched by playback rate with note 13 at rate 1.0. Each is
// an additive sound whose period is a whole number of samples; the buffer
// holds a whole number of periods, and every partial, every slow detune and
// every modulation completes whole cycles over the buffer, so the last sample
// runs into the first without a jump. All partials start at phase 0, so the
// buffer starts at zero.
#include <cmath>
#include <functional>

#include "datagen/jobs.h"
#include "datagen/synth.h"

namespace datagen {

// Period in samples of note 13 for each melodic family: 168 samples is
// 262.5 Hz (about middle C) for leads; accompaniments an octave lower, basses
// two octaves lower.
constexpr int kLeadPeriod = 168;
constexpr int kAccompanyPeriod = 336;
constexpr int kBassPeriod = 672;

namespace {

struct Partial {
  float harmonic;   // multiple of the fundamental
  float amp;
  int detune = 0;   // extra whole cycles over the buffer (slow beating)
  int tremolo = 0;  // amplitude modulation cycles over the buffer
  float depth = 0;
};

// Renders partials over `cycles` periods of `period` samples.
Wave additive(int period, int cycles, const std::vector<Partial>& parts, float nyquistGuard) {
  int n = period * cycles;
  Wave w(size_t(n), 0.0f);
  float fundamental = float(kRate) / float(period);
  for (const Partial& p : parts) {
    // Keep partials clear of the top of the band even when the player plays
    // the sample three times faster.
    if (fundamental * p.harmonic * nyquistGuard > kRate * 0.45f) continue;
    double cyc = double(p.harmonic) * cycles + p.detune;  // cycles over the buffer (whole)
    for (int i = 0; i < n; ++i) {
      double ph = cyc * double(i) / n;
      float a = p.amp;
      if (p.tremolo) a *= 1.0f + p.depth * float(std::sin(kTwoPi * double(p.tremolo) * i / n));
      w[size_t(i)] += a * float(std::sin(kTwoPi * (ph - std::floor(ph))));
    }
  }
  normalisePeak(w, 0.708f);
  return w;
}

std::vector<Partial> series(int count, const std::function<float(int)>& amp, int chorusEvery = 0) {
  std::vector<Partial> ps;
  for (int h = 1; h <= count; ++h) {
    float a = amp(h);
    if (a == 0) continue;
    ps.push_back({float(h), a});
    if (chorusEvery && h <= chorusEvery) ps.push_back({float(h), a * 0.5f, h % 2 ? 1 : 2});
  }
  return ps;
}

Wave lead(int k) {
  const int cycles = 262;  // one second
  switch (k) {
    case 1:  // bright square lead
      return additive(kLeadPeriod, cycles, series(29, [](int h) { return h % 2 ? 1.0f / h : 0.0f; }, 5), 3.0f);
    case 2:  // soft saw lead with a gentle roll-off
      return additive(kLeadPeriod, cycles,
                      series(24, [](int h) { return 1.0f / h * std::exp(-h * 0.12f); }, 6), 3.0f);
    default: {  // flute-like: strong fundamental, a breath of harmonics, slow vibrato of tone
      std::vector<Partial> ps = {{1, 1.0f, 0, 5, 0.08f}, {2, 0.32f, 0, 3, 0.3f}, {3, 0.16f}, {4, 0.06f},
                                 {1, 0.25f, 1}};
      return additive(kLeadPeriod, cycles, ps, 3.0f);
    }
  }
}

Wave accompany(int k) {
  const int cycles = 131;  // one second
  switch (k) {
    case 1: {  // drawbar organ
      std::vector<Partial> ps = {{1, 1.0f}, {2, 0.7f}, {3, 0.5f}, {4, 0.35f}, {6, 0.2f}, {8, 0.15f},
                                 {2, 0.2f, 1}, {4, 0.1f, 2}};
      return additive(kAccompanyPeriod, cycles, ps, 3.0f);
    }
    case 2: {  // electric piano: bell-ish upper partials with tremolo
      std::vector<Partial> ps = {{1, 1.0f, 0, 4, 0.25f}, {2, 0.45f, 0, 4, 0.25f}, {3, 0.12f},
                                 {7, 0.05f, 0, 8, 0.5f}, {1, 0.3f, 1}};
      return additive(kAccompanyPeriod, cycles, ps, 3.0f);
    }
    default:  // mellow pulse with chorus
      return additive(kAccompanyPeriod, cycles,
                      series(30, [](int h) { return std::fabs(std::sin(3.14159265f * h * 0.25f)) / h; }, 4), 3.0f);
  }
}

Wave bass(int k) {
  const int cycles = 66;  // one second
  switch (k) {
    case 1: {  // round sub bass
      std::vector<Partial> ps = {{1, 1.0f}, {2, 0.35f}, {3, 0.1f}};
      return additive(kBassPeriod, cycles, ps, 3.0f);
    }
    case 2:  // saw bass
      return additive(kBassPeriod, cycles, series(16, [](int h) { return 1.0f / h * std::exp(-h * 0.1f); }), 3.0f);
    case 3:  // square bass
      return additive(kBassPeriod, cycles, series(15, [](int h) { return h % 2 ? 1.0f / h : 0.0f; }), 3.0f);
    default: {  // growl: partials pulsing against each other
      std::vector<Partial> ps;
      for (int h = 1; h <= 12; ++h) ps.push_back({float(h), 1.0f / std::pow(float(h), 1.3f), 0, h % 3 + 2, 0.5f});
      return additive(kBassPeriod, cycles, ps, 3.0f);
    }
  }
}

// ---- drums ----

struct Kit {
  float kickHi, kickLo, kickDecay, click;  // kick pitch sweep and body
  float snareTone, snareDecay, snareBright;
  float hatCut;                            // hat brightness
  float tomBase;
  bool chip;                               // 8-bit flavour
  float soften;                            // low-pass for the whole kit
};

const Kit kKits[4] = {
    {160, 48, 0.16f, 0.6f, 185, 0.11f, 5000, 7000, 90, false, 16000},  // punchy electronic
    {110, 42, 0.45f, 0.2f, 200, 0.16f, 3500, 8000, 70, false, 14000},  // deep and boomy
    {220, 55, 0.12f, 0.0f, 240, 0.09f, 6000, 6000, 120, true, 11000},  // 8-bit
    {120, 52, 0.2f, 0.3f, 170, 0.14f, 2500, 5500, 80, false, 8000},    // soft and warm
};

// Metallic noise: six square waves at inharmonic ratios, the classic way to
// build hats and cymbals.
struct Metal {
  Osc o[6];
  float step(float base) {
    static const float ratio[6] = {1.0f, 1.4471f, 1.6170f, 1.9265f, 2.5028f, 2.6637f};
    float s = 0;
    for (int i = 0; i < 6; ++i) s += sq(o[i].step(base * ratio[i]));
    return s / 6.0f;
  }
};

float chipNoise(Noise& n, float& held, size_t i, int hold) {
  if (i % size_t(hold) == 0) held = n.next() > 0 ? 1.0f : -1.0f;
  return held;
}

Wave drum(int kitIndex, int sound) {
  const Kit& k = kKits[kitIndex];
  Noise n(uint32_t(1000 + kitIndex * 10 + sound));
  Osc o, o2;
  Svf f;
  OnePole hp, lp;
  Metal m;
  float held = 0;
  float len = 0.4f;
  switch (sound) {
    case 1: len = k.kickDecay * 4 + 0.05f; break;
    case 2: len = 0.35f; break;
    case 3: len = 0.12f; break;
    case 4: len = 0.5f; break;
    case 5: case 6: len = 0.5f; break;
    case 7: len = 0.35f; break;
    default: len = 1.6f; break;
  }
  Wave w(size_t(samples(len)));
  for (size_t i = 0; i < w.size(); ++i) {
    float t = float(i) / kRate;
    float nz = k.chip ? chipNoise(n, held, i, 3) : n.next();
    float v = 0;
    switch (sound) {
      case 1: {
        float fr = k.kickLo + (k.kickHi - k.kickLo) * std::exp(-t / 0.035f);
        float p = o.step(fr);
        float body = k.chip ? tri(p) : sine(p);
        v = body * envAD(t, 0.001f, k.kickDecay) + k.click * hp.hp(nz, 2000) * envAD(t, 0.0005f, 0.006f);
        break;
      }
      case 2: {
        float tone = sine(o.step(k.snareTone * (1 + 0.3f * std::exp(-t / 0.02f)))) * envAD(t, 0.001f, 0.05f);
        float sn = f.step(nz, k.snareBright, 0.8f).bp * envAD(t, 0.001f, k.snareDecay);
        v = 0.6f * tone + 1.4f * sn;
        break;
      }
      case 3:
      case 4: {
        float metal = m.step(k.chip ? 520.0f : 410.0f);
        float x = hp.hp(0.6f * nz + 0.7f * metal, k.hatCut);
        v = x * envAD(t, 0.0008f, sound == 3 ? 0.025f : 0.16f);
        break;
      }
      case 5:
      case 6: {
        float base = k.tomBase * (sound == 5 ? 1.0f : 1.6f);
        float p = o.step(base * (1 + 0.5f * std::exp(-t / 0.05f)));
        v = (k.chip ? tri(p) : sine(p)) * envAD(t, 0.001f, 0.16f) + 0.15f * lp.lp(nz, 1500) * envAD(t, 0.001f, 0.02f);
        break;
      }
      case 7: {
        // Three quick claps and a short room tail.
        float env = 0;
        for (int c = 0; c < 3; ++c) {
          float tc = t - 0.011f * c;
          if (tc >= 0) env = std::max(env, envAD(tc, 0.0005f, 0.006f));
        }
        env = std::max(env, 0.6f * envAD(std::max(0.0f, t - 0.033f), 0.001f, 0.07f) * (t > 0.033f ? 1.0f : 0.0f));
        v = f.step(nz, 1200, 1.5f).bp * env * 2.0f;
        break;
      }
      default: {
        float metal = m.step(k.chip ? 600.0f : 340.0f);
        float x = hp.hp(0.8f * nz + 0.5f * metal, k.hatCut * 0.6f);
        v = x * envAD(t, 0.001f, 0.45f);
        break;
      }
    }
    w[i] = v;
  }
  OnePole soft;
  for (float& v : w) v = soft.lp(v, k.soften);
  finishOneShot(w, 0.708f, 0.0005f, 0.02f);
  return w;
}

}  // namespace

void addInstrumentJobs(std::vector<Job>& jobs, const std::string& outDir) {
  for (int kit = 1; kit <= 4; ++kit)
    for (int s = 1; s <= 8; ++s) {
      std::string name = "inst/d" + std::to_string(kit) + "-" + std::to_string(s) + ".wav";
      std::string path = outDir + "/" + name;
      jobs.push_back({name, [path, kit, s](Fonts&) { return writeWav(path, drum(kit - 1, s)); }});
    }
  struct Melodic {
    std::string name;
    int count;
    Wave (*make)(int);
  };
  const Melodic families[] = {{"lead", 3, lead}, {"accompany", 3, accompany}, {"bass", 4, bass}};
  for (const Melodic& m : families)
    for (int k = 1; k <= m.count; ++k) {
      std::string name = "inst/" + m.name + std::to_string(k) + ".wav";
      std::string path = outDir + "/" + name;
      Wave (*make)(int) = m.make;
      jobs.push_back({name, [path, make, k](Fonts&) { return writeWav(path, make(k)); }, 2});
    }
}

}  // namespace datagen
