// halvo-tablegen: writes the colorimetry library's constant locus tables as C++ source.
//
//   halvo-tablegen <cie1931_2deg_1nm.csv> <out.cpp>
//
// Run by the build, so the tables cost nothing at start-up and always follow the data file.
// Every table is derived from the CIE 1931 2-degree colour-matching functions at 1 nm
// (360..830 nm, CIE 018:2019 / CIE 15:2018 data):
//
// - Locus knots: Planck's law summed against the functions at 1 nm over 360..830 nm with the
//   second radiation constant c2 = 1.43877696e-2 m K.
// - Spectral locus: the chromaticities of the functions themselves, 400..698 nm and 700 nm.
// - Planckian table: Planck's law integrated by the trapezoid rule over the same functions
//   (see kPlanckianC2 below for its constant).

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Cmf {
    int nm;
    double xbar, ybar, zbar;
};

std::vector<Cmf> LoadCmf(const char* path) {
    std::vector<Cmf> rows;
    std::FILE* f = std::fopen(path, "r");
    if (f == nullptr) {
        std::fprintf(stderr, "halvo-tablegen: cannot open %s\n", path);
        std::exit(1);
    }
    char line[256];
    while (std::fgets(line, sizeof line, f) != nullptr) {
        if (line[0] == '#' || std::strncmp(line, "nm", 2) == 0) {
            continue;
        }
        Cmf c{};
        if (std::sscanf(line, "%d,%lf,%lf,%lf", &c.nm, &c.xbar, &c.ybar, &c.zbar) == 4) {
            if (!rows.empty() && c.nm != rows.back().nm + 1) {
                std::fprintf(stderr, "halvo-tablegen: %s is not at 1 nm steps near %d nm\n", path, c.nm);
                std::exit(1);
            }
            rows.push_back(c);
        }
    }
    std::fclose(f);
    if (rows.empty() || rows.front().nm != 360 || rows.back().nm != 830) {
        std::fprintf(stderr, "halvo-tablegen: %s must hold 360..830 nm\n", path);
        std::exit(1);
    }
    return rows;
}

struct Xy {
    double x, y;
};

enum class Quadrature { PlainSum, Trapezoid };

// Chromaticity of a Planckian radiator: the functions at 1 nm weighted by
// M(lambda) = lambda^-5 / (exp(c2 / (lambda T)) - 1); the first radiation constant and the step
// cancel. Summed in wavelength order, in double precision; expm1 keeps the highest knots exact
// (at 1e9 K the exponent is 4e-5, and exp(...) - 1 would lose five digits there).
Xy Planckian(const std::vector<Cmf>& cmf, double T, double c2, Quadrature q) {
    double X = 0.0, Y = 0.0, Z = 0.0;
    for (size_t i = 0; i < cmf.size(); ++i) {
        const Cmf& c = cmf[i];
        const double lambda = c.nm * 1e-9;
        double M = 1.0 / (std::pow(lambda, 5) * std::expm1(c2 / (lambda * T)));
        if (q == Quadrature::Trapezoid && (i == 0 || i + 1 == cmf.size())) {
            M *= 0.5;
        }
        X += M * c.xbar;
        Y += M * c.ybar;
        Z += M * c.zbar;
    }
    const double s = X + Y + Z;
    return {X / s, Y / s};
}

// The two tables were made with different quadratures and constants, and each is kept as the
// station has always had it:
// - the knots: a plain sum with c2 = 1.43877696e-2 m K;
// - the Planckian table: the trapezoid rule (half weight at 360 and 830 nm) with an effective
//   c2 = 1.4388320418e-2 m K, which is ITS-90's 1.4388e-2 with temperatures scaled by
//   1 + 2.227e-5. That constant is the one value that reproduces every published reference row
//   of the table to its last digit (any c2 within 1.43883204124e-2..1.43883204234e-2 does), so
//   it is fitted rather than derived; between the rows the table is an exact Planckian locus.
constexpr double kKnotC2 = 1.43877696e-2;
constexpr double kPlanckianC2 = 1.4388320418e-2;

struct Knot {
    double T, x, y, u, v, tT, tu, tv;
};

// Catmull-Rom tangents: half the difference of the neighbours, one-sided at the ends.
void SetTangents(std::vector<Knot>& k, bool truncateT) {
    const size_t n = k.size();
    for (size_t i = 0; i < n; ++i) {
        const Knot& prev = k[i == 0 ? 0 : i - 1];
        const Knot& next = k[i + 1 == n ? n - 1 : i + 1];
        const double scale = (i == 0 || i + 1 == n) ? 1.0 : 0.5;
        k[i].tT = scale * (next.T - prev.T);
        if (truncateT) {
            k[i].tT = std::trunc(k[i].tT);
        }
        k[i].tu = scale * (next.u - prev.u);
        k[i].tv = scale * (next.v - prev.v);
    }
}

std::vector<double> KnotTemperatures() {
    std::vector<double> T;
    const auto run = [&](double from, double to, double step) {
        for (double t = from; t <= to; t += step) {
            T.push_back(t);
        }
    };
    run(1000, 6500, 100);
    run(6501, 6510, 1);
    run(6600, 10000, 100);
    run(10200, 20000, 200);
    run(20500, 50000, 500);
    run(51000, 100000, 1000);
    run(120000, 200000, 20000);
    run(250000, 500000, 50000);
    run(600000, 1000000, 100000);
    for (double t : {2e6, 4e6, 7e6, 1e7, 2e7, 4e7, 7e7, 1e8, 2e8, 4e8, 7e8, 1e9}) {
        T.push_back(t);
    }
    return T;
}

void WriteKnots(std::FILE* out, const char* name, const std::vector<Knot>& knots) {
    std::fprintf(out, "const LocusKnot %s[%zu] = {\n", name, knots.size());
    for (const Knot& k : knots) {
        std::fprintf(out, "    {%.17g, %.17g, %.17g, %.17g, %.17g, %.17g, %.17g, %.17g},\n", k.T, k.x, k.y, k.u, k.v,
                     k.tT, k.tu, k.tv);
    }
    std::fprintf(out, "};\n\n");
    std::fprintf(out, "const LocusUvTangent %sUv[%zu] = {\n", name, knots.size());
    for (const Knot& k : knots) {
        std::fprintf(out, "    {%.17g, %.17g, %.17g, %.17g},\n", k.u, k.v, k.tu, k.tv);
    }
    std::fprintf(out, "};\n\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: halvo-tablegen <cie1931_2deg_1nm.csv> <out.cpp>\n");
        return 2;
    }
    const std::vector<Cmf> cmf = LoadCmf(argv[1]);

    // Planckian locus knots, u, v in CIE 1960.
    std::vector<Knot> knots;
    for (double T : KnotTemperatures()) {
        const Xy c = Planckian(cmf, T, kKnotC2, Quadrature::PlainSum);
        const double d = 12.0 * c.y - 2.0 * c.x + 3.0;
        knots.push_back({T, c.x, c.y, 4.0 * c.x / d, 6.0 * c.y / d, 0, 0, 0});
    }
    SetTangents(knots, true);

    // Spectral locus, u', v' in CIE 1976; one 2 nm step at the end.
    std::vector<Knot> spectral;
    for (const Cmf& c : cmf) {
        if (c.nm < 400 || c.nm > 700 || c.nm == 699) {
            continue;
        }
        const double s = c.xbar + c.ybar + c.zbar;
        const double x = c.xbar / s, y = c.ybar / s;
        const double d = 12.0 * y - 2.0 * x + 3.0;
        spectral.push_back({static_cast<double>(c.nm), x, y, 4.0 * x / d, 9.0 * y / d, 0, 0, 0});
    }
    SetTangents(spectral, false);

    std::FILE* out = std::fopen(argv[2], "w");
    if (out == nullptr) {
        std::fprintf(stderr, "halvo-tablegen: cannot write %s\n", argv[2]);
        return 1;
    }
    std::fprintf(out,
                 "// Generated by halvo-tablegen from data/cie1931_2deg_1nm.csv. Do not edit.\n"
                 "#include \"colorimetry/locus_tables.h\"\n\nnamespace halvo {\n\n");
    std::fprintf(out, "const PlanckianRecord kPlanckianTable[kPlanckianCount] = {\n");
    for (int T = 1000; T <= 25000; ++T) {
        const Xy c = Planckian(cmf, T, kPlanckianC2, Quadrature::Trapezoid);
        std::fprintf(out, "    {%d, 0, %.17g, %.17g},\n", T, c.x, c.y);
    }
    std::fprintf(out, "};\n\n");
    WriteKnots(out, "kLocusKnots", knots);
    WriteKnots(out, "kSpectralLocus", spectral);
    std::fprintf(out, "}  // namespace halvo\n");
    if (std::fclose(out) != 0 || knots.size() != 289 || spectral.size() != 300) {
        std::fprintf(stderr, "halvo-tablegen: failed writing %s (%zu knots, %zu spectral rows)\n", argv[2],
                     knots.size(), spectral.size());
        std::remove(argv[2]);
        return 1;
    }
    return 0;
}
