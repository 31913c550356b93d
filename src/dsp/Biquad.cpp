#include "dsp/Biquad.h"

#include <cmath>

Biquad::Biquad(int type_, double Fc_, double Q_, double peakGainDB) noexcept
{
  setBiquad(type_, Fc_, Q_, peakGainDB);
  z1 = 0.0;
  z2 = 0.0;
}

void Biquad::setBiquad(int type_, double Fc_, double Q_, double peakGainDB) noexcept
{
  type = type_;
  Q = Q_;
  Fc = Fc_;
  peakGain = peakGainDB;
  calcBiquad();
}

void Biquad::setType(int type_) noexcept
{
  type = type_;
  calcBiquad();
}

void Biquad::setQ(double Q_) noexcept
{
  Q = Q_;
  calcBiquad();
}

void Biquad::setFc(double Fc_) noexcept
{
  Fc = Fc_;
  calcBiquad();
}

void Biquad::setPeakGain(double peakGainDB) noexcept
{
  peakGain = peakGainDB;
  calcBiquad();
}

double Biquad::tangent(double Fc_) noexcept
{
  const double kPi = 3.141592653589793;
  return std::tan(kPi * Fc_);
}

void Biquad::calcBiquad() noexcept
{
  calcBiquadWithTangent(tangent(Fc));
}

void Biquad::calcBiquadWithTangent(double K) noexcept
{
  const double kSqrt2 = 1.4142135623730951;
  double norm;
  const double V = std::pow(10.0, std::fabs(peakGain) / 20.0);
  switch (type)
  {
  case Lowpass:
    norm = 1 / (1 + K / Q + K * K);
    a0 = K * K * norm;
    a1 = 2 * a0;
    a2 = a0;
    b1 = 2 * (K * K - 1) * norm;
    b2 = (1 - K / Q + K * K) * norm;
    break;

  case Highpass:
    norm = 1 / (1 + K / Q + K * K);
    a0 = 1 * norm;
    a1 = -2 * a0;
    a2 = a0;
    b1 = 2 * (K * K - 1) * norm;
    b2 = (1 - K / Q + K * K) * norm;
    break;

  case Bandpass:
    norm = 1 / (1 + K / Q + K * K);
    a0 = K / Q * norm;
    a1 = 0;
    a2 = -a0;
    b1 = 2 * (K * K - 1) * norm;
    b2 = (1 - K / Q + K * K) * norm;
    break;

  case Notch:
    norm = 1 / (1 + K / Q + K * K);
    a0 = (1 + K * K) * norm;
    a1 = 2 * (K * K - 1) * norm;
    a2 = a0;
    b1 = a1;
    b2 = (1 - K / Q + K * K) * norm;
    break;

  case Peak:
    if (peakGain >= 0)
    {
      norm = 1 / (1 + K / Q + K * K);
      a0 = (1 + V / Q * K + K * K) * norm;
      a1 = 2 * (K * K - 1) * norm;
      a2 = (1 - V / Q * K + K * K) * norm;
      b1 = a1;
      b2 = (1 - K / Q + K * K) * norm;
    }
    else
    {
      norm = 1 / (1 + V / Q * K + K * K);
      a0 = (1 + K / Q + K * K) * norm;
      a1 = 2 * (K * K - 1) * norm;
      a2 = (1 - K / Q + K * K) * norm;
      b1 = a1;
      b2 = (1 - V / Q * K + K * K) * norm;
    }
    break;

  case Lowshelf:
    if (peakGain >= 0)
    {
      norm = 1 / (1 + kSqrt2 * K + K * K);
      a0 = (1 + std::sqrt(2 * V) * K + V * (K * K)) * norm;
      a1 = 2 * (V * (K * K) - 1) * norm;
      a2 = (1 - std::sqrt(2 * V) * K + V * (K * K)) * norm;
      b1 = 2 * (K * K - 1) * norm;
      b2 = (1 - kSqrt2 * K + K * K) * norm;
    }
    else
    {
      norm = 1 / (1 + std::sqrt(2 * V) * K + V * (K * K));
      a0 = (1 + kSqrt2 * K + K * K) * norm;
      a1 = 2 * (K * K - 1) * norm;
      a2 = (1 - kSqrt2 * K + K * K) * norm;
      b1 = 2 * (V * (K * K) - 1) * norm;
      b2 = (1 - std::sqrt(2 * V) * K + V * (K * K)) * norm;
    }
    break;

  case Highshelf:
    if (peakGain >= 0)
    {
      norm = 1 / (1 + kSqrt2 * K + K * K);
      a0 = (V + std::sqrt(2 * V) * K + K * K) * norm;
      a1 = 2 * (K * K - V) * norm;
      a2 = (V - std::sqrt(2 * V) * K + K * K) * norm;
      b1 = 2 * (K * K - 1) * norm;
      b2 = (1 - kSqrt2 * K + K * K) * norm;
    }
    else
    {
      norm = 1 / (V + std::sqrt(2 * V) * K + K * K);
      a0 = (1 + kSqrt2 * K + K * K) * norm;
      a1 = 2 * (K * K - 1) * norm;
      a2 = (1 - kSqrt2 * K + K * K) * norm;
      b1 = 2 * (K * K - V) * norm;
      b2 = (V - std::sqrt(2 * V) * K + K * K) * norm;
    }
    break;

  default:
    break;
  }
}
