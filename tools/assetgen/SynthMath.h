#pragma once
// Elementary functions for the soundtrack built only from IEEE additions,
// multiplications and divisions. The C library picks different code paths
// per CPU (with or without fused multiply-add), whose last bits can differ;
// these give the same bits on every x86-64 or other IEEE machine, so the
// rendered audio does too. Accurate to about 1e-13 relative over the ranges used.

// Sine of x radians.
double synthSin(double x);

// Cosine of x radians.
double synthCos(double x);

// Tangent of x radians, for |x| below pi / 2.
double synthTan(double x);

// e to the power x; 0 below -745, infinity above 709.
double synthExp(double x);

// Natural logarithm of x > 0; -infinity for 0, NaN for negative x.
double synthLog(double x);

// base to the power exponent, for base > 0.
double synthPow(double base, double exponent);

// Hyperbolic tangent.
double synthTanh(double x);
