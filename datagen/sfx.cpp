// The game's sound effects, "sfx/NNN.wav": short 16-bit mono one-shots.
#include <cmath>

#include "datagen/jobs.h"
#include "datagen/synth.h"

namespace datagen {

namespace {

float midiHz(float note) { return 440.0f * std::pow(2.0f, (note - 69.0f) / 12.0f); }

// A soft bell: a few inharmonic partials with their own decays.
float bell(float t, float f) {
  return 0.6f * std::sin(kTwoPi * f * t) * std::exp(-t / 0.35f) +
         0.25f * std::sin(kTwoPi * f * 2.0f * t) * std::exp(-t / 0.18f) +
         0.12f * std::sin(kTwoPi * f * 3.01f * t) * std::exp(-t / 0.09f) +
         0.06f * std::sin(kTwoPi * f * 4.2f * t) * std::exp(-t / 0.05f);
}

Wave gemChime() {
  Wave w(samples(0.55f));
  for (size_t i = 0; i < w.size(); ++i) {
    float t = float(i) / kRate;
    float v = bell(t, midiHz(88));
    if (t > 0.07f) v += 0.9f * bell(t - 0.07f, midiHz(95));
    w[i] = v;
  }
  return w;
}

Wave launchWhoosh() {
  Wave w(samples(0.75f));
  Noise n(2);
  Svf f;
  Osc o;
  for (size_t i = 0; i < w.size(); ++i) {
    float t = float(i) / kRate, u = t / 0.75f;
    float cut = 300.0f * std::pow(12.0f, u);
    float air = f.step(n.next(), cut, 3.0f).bp;
    float tone = saw(o.step(180.0f * std::pow(5.0f, u))) * 0.25f;
    float env = std::sin(3.14159f * std::pow(u, 0.6f));
    w[i] = (air * 1.2f + tone) * env;
  }
  return w;
}

Wave stompPop() {
  Wave w(samples(0.28f));
  Osc o;
  Noise n(3);
  OnePole lp;
  for (size_t i = 0; i < w.size(); ++i) {
    float t = float(i) / kRate;
    float f = 120.0f + 520.0f * std::exp(-t / 0.03f);
    float body = sine(o.step(f)) * envAD(t, 0.002f, 0.07f);
    float squish = lp.lp(n.next(), 1800.0f) * envAD(t, 0.001f, 0.025f);
    w[i] = body + squish * 1.5f;
  }
  return w;
}

Wave gameOverPhrase() {
  // Four falling notes, the last one held with a sinking vibrato.
  const float notes[4] = {67, 64, 60, 55};
  const float starts[4] = {0.0f, 0.18f, 0.36f, 0.56f};
  Wave w(samples(1.25f));
  for (int k = 0; k < 4; ++k) {
    Osc o;
    float len = k == 3 ? 0.66f : 0.2f;
    int s0 = samples(starts[k]);
    for (int i = 0; i < samples(len) && s0 + i < int(w.size()); ++i) {
      float t = float(i) / kRate;
      float f = midiHz(notes[k]);
      if (k == 3) f *= std::pow(2.0f, (-t * 1.2f + 0.15f * std::sin(kTwoPi * 6 * t)) / 12.0f);
      float p = o.step(f);
      float v = 0.55f * sq(p, 0.3f) + 0.45f * tri(p);
      float env = k == 3 ? envAD(t, 0.005f, 0.35f) : envAD(t, 0.004f, 0.09f);
      w[size_t(s0 + i)] += v * env;
    }
  }
  OnePole lp;
  for (float& v : w) v = lp.lp(v, 3500.0f);
  return w;
}

Wave jumpBlip() {
  Wave w(samples(0.16f));
  Osc o;
  for (size_t i = 0; i < w.size(); ++i) {
    float t = float(i) / kRate;
    float f = 320.0f * std::pow(2.4f, t / 0.12f);
    float p = o.step(f);
    w[i] = (0.6f * sq(p, 0.25f) + 0.4f * tri(p)) * envAD(t, 0.003f, 0.08f);
  }
  OnePole lp;
  for (float& v : w) v = lp.lp(v, 5000.0f);
  return w;
}

Wave landingThud() {
  Wave w(samples(0.32f));
  Osc o;
  Noise n(6);
  OnePole lp;
  for (size_t i = 0; i < w.size(); ++i) {
    float t = float(i) / kRate;
    float f = 40.0f + 70.0f * std::exp(-t / 0.04f);
    w[i] = sine(o.step(f)) * envAD(t, 0.002f, 0.1f) + lp.lp(n.next(), 400.0f) * envAD(t, 0.001f, 0.04f) * 2.0f;
  }
  return w;
}

Wave hurtCrunch() {
  Wave w(samples(0.38f));
  Osc o;
  Noise n(7);
  float held = 0;
  for (size_t i = 0; i < w.size(); ++i) {
    float t = float(i) / kRate;
    float f = 420.0f * std::exp(-t / 0.15f) + 70.0f;
    float v = 0.5f * sq(o.step(f), 0.4f) + 0.6f * n.next();
    // Sample-and-hold at a low rate makes it crunchy.
    if (i % 6 == 0) held = std::tanh(v * 2.5f);
    w[i] = held * envAD(t, 0.002f, 0.12f);
  }
  OnePole lp;
  for (float& v : w) v = lp.lp(v, 6000.0f);
  return w;
}

Wave softWhoosh() {
  Wave w(samples(0.6f));
  Noise n(95);
  Svf f;
  for (size_t i = 0; i < w.size(); ++i) {
    float u = float(i) / float(w.size());
    float cut = 500.0f + 1800.0f * std::sin(3.14159f * u);
    w[i] = f.step(n.next(), cut, 1.2f).lp * std::pow(std::sin(3.14159f * u), 2.0f);
  }
  return w;
}

Wave startJingle() {
  // A rising arpeggio that lands on a bright major chord.
  struct Note {
    float at, len, midi;
  };
  const Note notes[] = {{0.00f, 0.12f, 72}, {0.10f, 0.12f, 76}, {0.20f, 0.12f, 79}, {0.30f, 0.14f, 84},
                        {0.46f, 0.62f, 84}, {0.46f, 0.62f, 79}, {0.46f, 0.62f, 76}, {0.46f, 0.62f, 88}};
  Wave w(samples(1.15f));
  for (const Note& n : notes) {
    Osc o;
    int s0 = samples(n.at);
    for (int i = 0; i < samples(n.len) && s0 + i < int(w.size()); ++i) {
      float t = float(i) / kRate;
      float f = midiHz(n.midi) * (1.0f + 0.004f * std::sin(kTwoPi * 5.5f * t) * (n.len > 0.3f ? 1.0f : 0.0f));
      float p = o.step(f);
      float env = n.len > 0.3f ? envAD(t, 0.01f, 0.3f) : envAD(t, 0.004f, 0.1f);
      w[size_t(s0 + i)] += (0.45f * sq(p, 0.25f) + 0.55f * tri(p)) * env;
    }
  }
  OnePole lp;
  for (float& v : w) v = lp.lp(v, 6000.0f);
  return w;
}

Wave confirmBlip() {
  Wave w(samples(0.2f));
  Osc o;
  for (size_t i = 0; i < w.size(); ++i) {
    float t = float(i) / kRate;
    float f = t < 0.07f ? midiHz(81) : midiHz(88);
    float tt = t < 0.07f ? t : t - 0.07f;
    w[i] = (0.7f * tri(o.step(f)) + 0.3f * sine(float(o.phase) * 2.0f)) * envAD(tt, 0.003f, 0.06f);
  }
  return w;
}

Wave menuTick() {
  Wave w(samples(0.045f));
  Osc o;
  for (size_t i = 0; i < w.size(); ++i) {
    float t = float(i) / kRate;
    w[i] = sine(o.step(2200.0f - 8000.0f * t)) * envAD(t, 0.001f, 0.012f);
  }
  return w;
}

}  // namespace

void addEffectJobs(std::vector<Job>& jobs, const std::string& outDir) {
  struct Effect {
    const char* file;
    Wave (*make)();
  };
  static const Effect effects[] = {
      {"sfx/001.wav", gemChime},     {"sfx/002.wav", launchWhoosh}, {"sfx/003.wav", stompPop},
      {"sfx/004.wav", gameOverPhrase}, {"sfx/005.wav", jumpBlip},   {"sfx/006.wav", landingThud},
      {"sfx/007.wav", hurtCrunch},   {"sfx/095.wav", softWhoosh},   {"sfx/096.wav", startJingle},
      {"sfx/098.wav", confirmBlip},  {"sfx/099.wav", menuTick},
  };
  for (const Effect& e : effects) {
    std::string path = outDir + "/" + e.file;
    Wave (*make)() = e.make;
    jobs.push_back({e.file, [path, make](Fonts&) {
                      Wave w = make();
                      finishOneShot(w);
                      return writeWav(path, w);
                    }});
  }
}

}  // namespace datagen
