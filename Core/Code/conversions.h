// Random numbers and the nine conversions (source "2" target; S string,
// I 32-bit integer, F double).
#pragma once
#include <cstdint>
#include <string>

int32_t RANDO(int32_t LO, int32_t HI);

std::string S2S(const std::string& _ARG_S);
std::string I2S(int32_t _ARG_I);
std::string F2S(double _ARG_F);
int32_t S2I(const std::string& _ARG_S);
int32_t I2I(int32_t _ARG_I);
int32_t F2I(double _ARG_F);  // ties to even; saturates outside the 32-bit range
double S2F(const std::string& _ARG_S);
double I2F(int32_t _ARG_I);
double F2F(double _ARG_F);
