// bmpgen: draws the installer's bitmap resources (20003..20009, 20100..20110) and its icon.
//
// Usage: bmpgen OUTDIR
//
// Every picture is drawn procedurally. Shapes are rendered with 8x8 supersampling per pixel
// so edges are smooth, and nothing depends on time or randomness: two runs give the same
// bytes. The BMP files are plain BITMAPINFOHEADER DIBs (bottom-up, BI_RGB) ready for windres.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Color {
    double r, g, b;
};

Color Mix(Color a, Color b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

const Color kWhite{255, 255, 255};
const Color kBlack{0, 0, 0};
// The window frame's four blues, outermost (darkest) first.
const Color kFrame[4] = {{28, 28, 140}, {56, 56, 206}, {104, 104, 242}, {172, 172, 255}};

// The lavender ramp used by the push buttons: t = 0 dark edge, 0.5 face, 1 white.
Color Lavender(double t) {
    const Color dark{48, 48, 132}, face{196, 196, 250};
    return t < 0.5 ? Mix(dark, face, t * 2) : Mix(face, kWhite, t * 2 - 1);
}

using Shape = std::function<bool(double, double)>;
using Paint = std::function<Color(double, double)>;

constexpr int kSub = 8;  // samples per pixel along each axis

// RGB pixels with coverage; drawing coordinates are in units of `unit` pixels.
struct Canvas {
    int w, h;
    double unit;
    std::vector<Color> px;
    std::vector<double> alpha;

    Canvas(int width, int height, Color bg, double a = 1.0, double u = 1.0)
        : w(width), h(height), unit(u), px(width * height, bg), alpha(width * height, a) {}

    Color& At(int x, int y) { return px[y * w + x]; }
    const Color& At(int x, int y) const { return px[y * w + x]; }

    // Composites colour c with coverage a over pixel (x, y) ("over" with straight alpha).
    void Blend(int x, int y, Color c, double a) {
        double& da = alpha[y * w + x];
        double out = a + da * (1 - a);
        if (out <= 0)
            return;
        At(x, y) = Mix(At(x, y), c, a / out);
        da = out;
    }

    // Paints shape s with p, weighting each pixel by the share of its samples inside s.
    void Fill(const Shape& s, const Paint& p, double opacity = 1.0) {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                int n = 0;
                for (int k = 0; k < kSub * kSub; ++k) {
                    n += s((x + (k % kSub + 0.5) / kSub) / unit,
                           (y + (k / kSub + 0.5) / kSub) / unit);
                }
                if (n > 0) {
                    Blend(x, y, p((x + 0.5) / unit, (y + 0.5) / unit), opacity * n / (kSub * kSub));
                }
            }
        }
    }
    void Fill(const Shape& s, Color c, double opacity = 1.0) {
        const Paint solid = [c](double, double) { return c; };
        Fill(s, solid, opacity);
    }
};

// ---- Shapes -------------------------------------------------------------------------------

Shape Rect(double x0, double y0, double x1, double y1) {
    return [=](double x, double y) { return x >= x0 && x < x1 && y >= y0 && y < y1; };
}

Shape Ring(double cx, double cy, double outer, double inner) {
    return [=](double x, double y) {
        double d = std::hypot(x - cx, y - cy);
        return d <= outer && d > inner;
    };
}

// A segment from a to b thickened to radius r, with round caps.
Shape Capsule(double ax, double ay, double bx, double by, double r) {
    return [=](double x, double y) {
        double dx = bx - ax, dy = by - ay;
        double t = std::clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
        return std::hypot(x - ax - t * dx, y - ay - t * dy) <= r;
    };
}

Shape RoundRect(double x0, double y0, double x1, double y1, double r) {
    return [=](double x, double y) {
        double dx = std::max({x0 + r - x, x - (x1 - r), 0.0});
        double dy = std::max({y0 + r - y, y - (y1 - r), 0.0});
        return x >= x0 && x < x1 && y >= y0 && y < y1 && std::hypot(dx, dy) <= r;
    };
}

struct Pt {
    double x, y;
};

Shape Polygon(std::vector<Pt> p) {
    return [p](double x, double y) {
        bool in = false;
        for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
            if ((p[i].y > y) != (p[j].y > y) &&
                x < p[j].x + (y - p[j].y) * (p[i].x - p[j].x) / (p[i].y - p[j].y)) {
                in = !in;
            }
        }
        return in;
    };
}

// The closed outline of a polygon, `width` units wide.
Shape Outline(std::vector<Pt> p, double width) {
    return [p, width](double x, double y) {
        for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
            if (Capsule(p[j].x, p[j].y, p[i].x, p[i].y, width / 2)(x, y))
                return true;
        }
        return false;
    };
}

// Colour running linearly from c0 at (x0, y0) to c1 at (x1, y1).
Paint Linear(double x0, double y0, Color c0, double x1, double y1, Color c1) {
    return [=](double x, double y) {
        double dx = x1 - x0, dy = y1 - y0;
        double t = ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy);
        return Mix(c0, c1, std::clamp(t, 0.0, 1.0));
    };
}

// ---- Pictures -----------------------------------------------------------------------------

// The product motif, a software box with a disc in front of it, on a 55 x 55 unit square.
// `line` is the outline width in units (wider for small icons so the shapes stay readable).
void DrawLogo(Canvas& c, double line) {
    const Color ink{16, 16, 84};
    // Soft shadow under the box and the disc.
    c.Fill(Polygon({{7, 49}, {33, 49}, {50, 38}, {50, 49}, {46, 53}, {10, 53}}), ink, 0.18);

    std::vector<Pt> top{{5, 18}, {31, 18}, {42, 8}, {16, 8}};
    std::vector<Pt> side{{31, 18}, {42, 8}, {42, 38}, {31, 48}};
    std::vector<Pt> front{{5, 18}, {31, 18}, {31, 48}, {5, 48}};
    c.Fill(Polygon(top), Linear(16, 8, {236, 236, 255}, 20, 18, {176, 176, 246}));
    c.Fill(Polygon(side), Linear(31, 20, {28, 28, 150}, 42, 40, {12, 12, 96}));
    c.Fill(Polygon(front), Linear(5, 18, {84, 84, 255}, 31, 48, {34, 34, 196}));
    // A yellow band wrapping round the box.
    c.Fill(Polygon({{5, 26}, {31, 26}, {31, 32}, {5, 32}}), {255, 214, 0});
    c.Fill(Polygon({{31, 26}, {42, 16}, {42, 22}, {31, 32}}), {196, 150, 0});
    for (const auto& face : {top, side, front}) c.Fill(Outline(face, line), ink);

    // The disc: silver with a clear hub and a hole through which the ground shows.
    const double cx = 39, cy = 39, r = 14, hub = 5.5, hole = 2.2;
    c.Fill(Ring(cx, cy, r, hole), ink);
    c.Fill(Ring(cx, cy, r - line, hole + line),
           Linear(cx - r, cy - r, {250, 250, 255}, cx + r, cy + r, {164, 168, 196}));
    // Two light glints across the recorded surface.
    auto glint = [&](double a0, double a1) {
        return [=](double x, double y) {
            double a = std::atan2(y - cy, x - cx);
            return a >= a0 && a <= a1 && Ring(cx, cy, r - line, hub)(x, y);
        };
    };
    c.Fill(glint(-2.6, -2.0), kWhite, 0.8);
    c.Fill(glint(0.55, 1.15), kWhite, 0.6);
    c.Fill(Ring(cx, cy, hub, hole + line), {214, 218, 236});
    c.Fill(Ring(cx, cy, hub, hub - line * 0.6), {120, 124, 160});
    c.Fill(Ring(cx, cy, hole + line, hole), ink);
}

Canvas Logo() {
    Canvas c(55, 55, kWhite);
    // The caption band's blue at the top, beside the band, fading to white below it.
    c.Fill(Rect(0, 0, 55, 55), [](double, double y) {
        double t = std::clamp((y - 14) / 20, 0.0, 1.0);
        return Mix({66, 66, 255}, kWhite, t * t * (3 - 2 * t));
    });
    DrawLogo(c, 1.2);
    return c;
}

Canvas IconPicture(int size) {
    Canvas c(size, size, kWhite, 0.0, size / 55.0);
    DrawLogo(c, std::max(1.2, 0.9 * 55.0 / size));
    return c;
}

// A 5 x 5 frame corner: the four shades bent round a quarter circle centred on the inner
// corner pixel, so the outer row and column carry exactly the edges' shades. The bands are
// drawn as nested rounded squares, which gives each pixel the exact mix of the bands it spans.
Canvas Corner(bool right, bool bottom) {
    Canvas c(5, 5, kWhite);
    for (int band = 0; band < 5; ++band) {
        Shape topLeft = RoundRect(band, band, 10, 10, 4 - band);
        c.Fill([=](double x, double y) { return topLeft(right ? 5 - x : x, bottom ? 5 - y : y); },
               band < 4 ? kFrame[band] : kWhite);
    }
    return c;
}

// Frame edge of four pixels; `across` tells whether the shades run along x; `rev` puts the
// darkest one last.
Canvas Edge(bool across, bool rev) {
    Canvas c(across ? 4 : 1, across ? 1 : 4, kWhite);
    for (int i = 0; i < 4; ++i) c.At(across ? i : 0, across ? 0 : i) = kFrame[rev ? 3 - i : i];
    return c;
}

// One-pixel light and dark lines just inside a one-pixel border: tl along the top and left,
// br along the bottom and right.
void Bevel(Canvas& c, Color tl, Color br) {
    const int w = c.w, h = c.h;
    c.Fill(Rect(2, 1, w - 2, 2), tl);
    c.Fill(Rect(1, 2, 2, h - 2), tl);
    c.Fill(Rect(2, h - 2, w - 2, h - 1), br);
    c.Fill(Rect(w - 2, 2, w - 1, h - 2), br);
}

Canvas Button(bool sunken) {
    Canvas c(100, 25, kWhite);
    c.Fill(RoundRect(0, 0, 100, 25, 3), Lavender(0.14));
    Paint face = sunken ? Linear(0, 1, Lavender(0.50), 0, 24, Lavender(0.66))
                        : Linear(0, 1, Lavender(0.82), 0, 24, Lavender(0.54));
    c.Fill(RoundRect(1, 1, 99, 24, 2), face);
    Bevel(c, sunken ? Lavender(0.30) : kWhite, Lavender(sunken ? 0.86 : 0.34));
    return c;
}

Canvas CloseBox(bool pressed) {
    Canvas c(21, 21, kWhite);
    c.Fill(RoundRect(0, 0, 21, 21, 1), {14, 14, 110});
    c.Fill(Rect(1, 1, 20, 20), pressed ? Linear(0, 1, {30, 30, 176}, 0, 20, {74, 74, 236})
                                       : Linear(0, 1, {104, 104, 255}, 0, 20, {34, 34, 204}));
    Bevel(c, pressed ? Color{18, 18, 120} : Color{184, 184, 255},
          pressed ? Color{110, 110, 250} : Color{18, 18, 132});
    // The X; raised it casts a soft shadow, pressed it moves a pixel down and to the right.
    const double o = pressed ? 1 : 0, a = 6.5 + o, b = 14.5 + o, r = 1.5;
    if (!pressed) {
        c.Fill(Capsule(a + 0.8, a + 0.8, b + 0.8, b + 0.8, r), {10, 10, 90}, 0.5);
        c.Fill(Capsule(b + 0.8, a + 0.8, a + 0.8, b + 0.8, r), {10, 10, 90}, 0.5);
    }
    c.Fill(Capsule(a, a, b, b, r), kWhite);
    c.Fill(Capsule(b, a, a, b, r), kWhite);
    return c;
}

Canvas Cross() {
    Canvas c(65, 85, kWhite);
    c.Fill(Capsule(12, 22, 53, 63, 5.2), kBlack);
    c.Fill(Capsule(53, 22, 12, 63, 5.2), kBlack);
    return c;
}

Canvas Check() {
    Canvas c(80, 85, kWhite);
    c.Fill(Capsule(13, 45, 31, 63, 5.6), kBlack);
    c.Fill(Capsule(31, 63, 67, 21, 5.6), kBlack);
    return c;
}

// A horizontal ramp, the same on every row; colour(x) gives exact integer channels.
Canvas Strip(int w, int h, const std::function<Color(int)>& colour) {
    Canvas c(w, h, kWhite);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) c.At(x, y) = colour(x);
    }
    return c;
}

// ---- Palettes and file formats -------------------------------------------------------------

using Palette = std::vector<Color>;

// 256 entries running along a colour ramp, t from 0 to 1.
Palette Ramp(const std::function<Color(double)>& colour) {
    Palette p;
    for (int i = 0; i < 256; ++i) p.push_back(colour(i / 255.0));
    return p;
}

// The standard sixteen colours of a 4-bit display.
Palette VgaPalette() {
    return {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
            {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
            {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
            {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
}

// A general 256-colour palette: a 6x6x6 cube, then greys and the blues of the motif.
Palette IconPalette() {
    Palette p;
    for (int r = 0; r < 6; ++r) {
        for (int g = 0; g < 6; ++g) {
            for (int b = 0; b < 6; ++b) p.push_back({r * 51.0, g * 51.0, b * 51.0});
        }
    }
    for (int i = 0; i < 16; ++i) p.push_back({8 + i * 16.0, 8 + i * 16.0, 8 + i * 16.0});
    for (int i = 0; i < 24; ++i) p.push_back(Mix({0, 0, 96}, {120, 120, 255}, i / 23.0));
    return p;
}

uint8_t Byte(double v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 255.0))); }

int Nearest(const Palette& pal, Color c) {
    int best = 0;
    double bestDist = 1e30;
    for (size_t i = 0; i < pal.size(); ++i) {
        double dr = Byte(c.r) - pal[i].r, dg = Byte(c.g) - pal[i].g, db = Byte(c.b) - pal[i].b;
        double d = dr * dr + dg * dg + db * db;
        if (d < bestDist) {
            bestDist = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, uint32_t v) {
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}
void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

uint32_t RowBytes(int w, int bpp) { return ((w * bpp + 31) / 32) * 4; }

// BITMAPINFOHEADER, optional palette, then bottom-up rows (24, 8 or 4 bits per pixel).
// `heightField` differs from the canvas height for icons, whose header counts the mask too.
void PutDib(Bytes& b, const Canvas& c, int bpp, const Palette& pal, int heightField,
            uint32_t extra) {
    uint32_t bits = RowBytes(c.w, bpp) * c.h;
    Put32(b, 40);
    Put32(b, c.w);
    Put32(b, heightField);
    Put16(b, 1);
    Put16(b, bpp);
    Put32(b, 0);  // BI_RGB
    Put32(b, bits + extra);
    Put32(b, 2835);  // 72 dpi
    Put32(b, 2835);
    Put32(b, pal.size() == (1u << bpp) ? 0 : pal.size());  // 0: the full 2^bpp entries
    Put32(b, 0);
    for (const Color& p : pal) {
        b.insert(b.end(), {Byte(p.b), Byte(p.g), Byte(p.r), 0});
    }
    for (int y = c.h - 1; y >= 0; --y) {
        size_t start = b.size();
        for (int x = 0; x < c.w; ++x) {
            const Color& p = c.At(x, y);
            if (bpp == 24) {
                b.insert(b.end(), {Byte(p.b), Byte(p.g), Byte(p.r)});
            } else if (bpp == 8) {
                b.push_back(Nearest(pal, p));
            } else if (x % 2 == 0) {
                b.push_back(Nearest(pal, p) << 4);
            } else {
                b.back() |= Nearest(pal, p);
            }
        }
        b.resize(start + RowBytes(c.w, bpp), 0);
    }
}

Bytes Bmp(const Canvas& c, int bpp, const Palette& pal = {}) {
    Bytes dib;
    PutDib(dib, c, bpp, pal, c.h, 0);
    Bytes b{'B', 'M'};
    Put32(b, 14 + dib.size());
    Put32(b, 0);
    Put32(b, 14 + 40 + 4 * pal.size());
    b.insert(b.end(), dib.begin(), dib.end());
    return b;
}

// An icon image: the colour bitmap with transparent pixels set to index 0, then the AND mask.
Bytes IconImage(Canvas c, int bpp, const Palette& pal) {
    if (bpp == 4) {
        // Keep to the motif's own colours so that blended edges never turn red or purple.
        const Palette motif{{0, 0, 0},       {0, 0, 128},     {0, 0, 255},   {128, 128, 128},
                            {192, 192, 192}, {255, 255, 255}, {255, 255, 0}, {128, 128, 0}};
        for (Color& p : c.px) p = motif[Nearest(motif, p)];
    }
    Bytes mask;
    for (int y = c.h - 1; y >= 0; --y) {
        size_t start = mask.size();
        mask.resize(start + RowBytes(c.w, 1), 0);
        for (int x = 0; x < c.w; ++x) {
            if (c.alpha[y * c.w + x] < 0.5) {
                mask[start + x / 8] |= 0x80 >> (x % 8);
                c.At(x, y) = pal[0];
            }
        }
    }
    Bytes b;
    PutDib(b, c, bpp, pal, c.h * 2, mask.size());
    b.insert(b.end(), mask.begin(), mask.end());
    return b;
}

// Six images, 48, 32 and 16 pixels square, each in 16 and in 256 colours.
Bytes Ico() {
    const int count = 6;
    Bytes dir, data;
    Put16(dir, 0);
    Put16(dir, 1);  // icon
    Put16(dir, count);
    for (int bpp : {4, 8}) {
        for (int size : {48, 32, 16}) {
            Bytes image =
                IconImage(IconPicture(size), bpp, bpp == 4 ? VgaPalette() : IconPalette());
            // Width, height, colour count (0 means 256), reserved, planes, bits per pixel.
            dir.insert(dir.end(), {uint8_t(size), uint8_t(size), uint8_t(bpp == 4 ? 16 : 0), 0});
            Put16(dir, 1);
            Put16(dir, bpp);
            Put32(dir, image.size());
            Put32(dir, 6 + 16 * count + data.size());
            data.insert(data.end(), image.begin(), image.end());
        }
    }
    dir.insert(dir.end(), data.begin(), data.end());
    return dir;
}

bool WriteFile(const std::filesystem::path& path, const Bytes& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), data.size());
    out.close();
    if (!out)
        std::fprintf(stderr, "bmpgen: cannot write %s\n", path.string().c_str());
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bmpgen OUTDIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        std::fprintf(stderr, "bmpgen: cannot create %s: %s\n", argv[1], ec.message().c_str());
        return 1;
    }

    const auto blue = [](int x) { return Color{0, 0, 255.0 - x}; };
    const auto band = [](int x) {
        double v = std::round(66 + 140.0 * x / 436);
        return Color{v, v, 255};
    };
    const auto separator = [](int x) {
        double v = std::round(255 - 255.0 * x / 324);
        return Color{v, v, 255};
    };
    const Palette grey = Ramp([](double t) { return Mix(kBlack, kWhite, t); });
    const Palette lavender = Ramp(Lavender);
    const std::vector<std::pair<std::string, Bytes>> files = {
        {"20003.bmp", Bmp(Button(false), 8, lavender)},
        {"20004.bmp", Bmp(Button(true), 8, lavender)},
        {"20005.bmp", Bmp(CloseBox(false), 24)},
        {"20006.bmp", Bmp(CloseBox(true), 24)},
        {"20007.bmp", Bmp(Cross(), 8, grey)},
        {"20008.bmp", Bmp(Check(), 8, grey)},
        {"20009.bmp", Bmp(Strip(256, 1, blue), 24)},
        {"20100.bmp", Bmp(Logo(), 24)},
        {"20101.bmp", Bmp(Strip(437, 1, band), 24)},
        {"20102.bmp", Bmp(Edge(false, false), 24)},
        {"20103.bmp", Bmp(Edge(false, true), 24)},
        {"20104.bmp", Bmp(Edge(true, false), 24)},
        {"20105.bmp", Bmp(Edge(true, true), 24)},
        {"20106.bmp", Bmp(Corner(false, false), 24)},
        {"20107.bmp", Bmp(Corner(true, false), 24)},
        {"20108.bmp", Bmp(Corner(false, true), 24)},
        {"20109.bmp", Bmp(Corner(true, true), 24)},
        {"20110.bmp", Bmp(Strip(325, 2, separator), 24)},
        {"nuvex.ico", Ico()},
    };
    for (const auto& [name, data] : files) {
        if (!WriteFile(dir / name, data))
            return 1;
    }
    return 0;
}
