// Draws the pictures of the demo sound pack, so that the build makes them from
// this source rather than keeping image files in the repository.
//   drawdemo OUT.bmp|OUT.png KIND        KIND: ding chime chord tada exit notify
// ding, chime and notify are pixel art with a palette; chord and tada are drawn
// in true colour with smoothed edges; exit has a transparent surround. A palette
// picture is written as an 8-bit BMP or as a PNG of 4 or 8 bits; a true-colour one
// as a 24-bit BMP or an RGB PNG; a transparent one only as an RGBA PNG. The bytes
// depend only on the arguments. Bad arguments give exit status 2.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <png.h>

#include "LittleEndian.h"
#include "write_file.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr double kPi = 3.14159265358979323846;

struct Rgba {
    double r = 0, g = 0, b = 0, a = 1;
};

struct Vec {
    double x, y;
};

// Signed distances: below 0 inside the shape.
double Circle(Vec p, Vec c, double r) {
    return std::hypot(p.x - c.x, p.y - c.y) - r;
}

double Ellipse(Vec p, Vec c, double rx, double ry) {
    return (std::hypot((p.x - c.x) / rx, (p.y - c.y) / ry) - 1) * std::min(rx, ry);
}

double Box(Vec p, Vec c, double halfW, double halfH, double radius = 0) {
    const double dx = std::fabs(p.x - c.x) - halfW + radius;
    const double dy = std::fabs(p.y - c.y) - halfH + radius;
    return std::hypot(std::max(dx, 0.0), std::max(dy, 0.0)) + std::min(std::max(dx, dy), 0.0) - radius;
}

double Segment(Vec p, Vec a, Vec b, double r) {
    const double bax = b.x - a.x, bay = b.y - a.y;
    const double t = std::clamp(((p.x - a.x) * bax + (p.y - a.y) * bay) / (bax * bax + bay * bay), 0.0, 1.0);
    return std::hypot(p.x - a.x - bax * t, p.y - a.y - bay * t) - r;
}

double Polygon(Vec p, const std::vector<Vec>& v) {
    double d = 1e9;
    bool inside = false;
    for (std::size_t i = 0, j = v.size() - 1; i < v.size(); j = i++) {
        d = std::min(d, Segment(p, v[j], v[i], 0));
        if ((v[i].y > p.y) != (v[j].y > p.y) && p.x < (v[j].x - v[i].x) * (p.y - v[i].y) / (v[j].y - v[i].y) + v[i].x) {
            inside = !inside;
        }
    }
    return inside ? -d : d;
}

double Mix(double a, double b, double t) {
    return a + (b - a) * t;
}

Rgba Mix(Rgba a, Rgba b, double t) {
    return {Mix(a.r, b.r, t), Mix(a.g, b.g, t), Mix(a.b, b.b, t), Mix(a.a, b.a, t)};
}

Rgba Rgb(int r, int g, int b) {
    return {r / 255.0, g / 255.0, b / 255.0, 1};
}

// Paints colour over base where d < 0, with a one-pixel soft edge.
Rgba Over(Rgba base, double d, Rgba colour) {
    const double coverage = std::clamp(0.5 - d, 0.0, 1.0) * colour.a;
    Rgba out = Mix(base, colour, coverage);
    out.a = base.a + (1 - base.a) * coverage;
    return out;
}

struct Picture {
    int width = 0;
    int height = 0;
    // Indexed pictures: the palette and one index per pixel.
    std::vector<Rgba> palette;
    std::vector<std::uint8_t> indices;
    // True-colour pictures: red, green, blue and alpha per pixel.
    Bytes rgba;
    bool HasPalette() const { return !palette.empty(); }
};

Picture Indexed(int width, int height, std::vector<Rgba> palette, const std::function<int(Vec)>& scene) {
    Picture picture{width, height, std::move(palette), {}, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) picture.indices.push_back(static_cast<std::uint8_t>(scene({x + 0.5, y + 0.5})));
    }
    return picture;
}

// Four by four samples a pixel smooth the edges.
Picture TrueColour(int width, int height, const std::function<Rgba(Vec)>& scene) {
    Picture picture{width, height, {}, {}, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double r = 0, g = 0, b = 0, a = 0;
            for (int sy = 0; sy < 4; ++sy) {
                for (int sx = 0; sx < 4; ++sx) {
                    const Rgba c = scene({x + (sx + 0.5) / 4, y + (sy + 0.5) / 4});
                    r += c.r * c.a;
                    g += c.g * c.a;
                    b += c.b * c.a;
                    a += c.a;
                }
            }
            const auto byte = [](double v) {
                return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
            };
            picture.rgba.push_back(byte(a > 0 ? r / a : 0));
            picture.rgba.push_back(byte(a > 0 ? g / a : 0));
            picture.rgba.push_back(byte(a > 0 ? b / a : 0));
            picture.rgba.push_back(byte(a / 16));
        }
    }
    return picture;
}

// A golden bell with a ribbon, ringing.
Picture Ding() {
    enum { kCream, kStripe, kOutline, kGold, kShade, kLight, kClapper, kRibbon, kRibbonDark, kWave, kShadow };
    std::vector<Rgba> palette = {Rgb(250, 244, 224), Rgb(242, 232, 204), Rgb(92, 52, 20),   Rgb(232, 178, 40),
                                 Rgb(196, 132, 24),  Rgb(255, 226, 120), Rgb(120, 72, 28),  Rgb(214, 48, 48),
                                 Rgb(150, 24, 32),   Rgb(80, 140, 220),  Rgb(226, 214, 180)};
    return Indexed(90, 104, palette, [](Vec p) {
        const double body =
            std::min({Circle(p, {45, 42}, 22), Polygon(p, {{23, 42}, {67, 42}, {71, 62}, {80, 78}, {10, 78}, {19, 62}}),
                      Ellipse(p, {45, 79}, 37, 6)});
        const double knob = Circle(p, {45, 18}, 5);
        const double clapper = Circle(p, {45, 89}, 6);
        const double bow = std::min(Ellipse(p, {36, 24}, 8, 4.5), Ellipse(p, {54, 24}, 8, 4.5));
        const double knot = Circle(p, {45, 24}, 3.5);
        // Two arcs of sound above each shoulder.
        const double fromTop = std::hypot(p.x - 45, p.y - 42);
        const bool arc =
            (std::fabs(fromTop - 30) < 1.2 || std::fabs(fromTop - 37) < 1.2) && p.y < 33 && std::fabs(p.x - 45) > 17;
        if (knot < 0) return int{kRibbonDark};
        if (bow < 0) return bow > -1.2 ? int{kRibbonDark} : int{kRibbon};
        if (knob < 0) return knob > -1.5 ? int{kOutline} : int{kGold};
        if (body < 0) {
            if (body > -1.5) return int{kOutline};
            const double half =
                p.y < 42 ? std::sqrt(std::max(1.0, 22 * 22 - (p.y - 42) * (p.y - 42))) : 22 + (p.y - 42) * 0.45;
            const double t = (p.x - 45) / half;
            if (p.y > 70 && p.y < 73.5) return int{kShade};
            if (t < -0.5 && t > -0.8) return int{kLight};
            return t > 0.4 ? int{kShade} : int{kGold};
        }
        if (clapper < 0) return clapper > -1.5 ? int{kOutline} : int{kClapper};
        if (arc) return int{kWave};
        if (Ellipse(p, {45, 96}, 32, 5) < 0) return int{kShadow};
        return static_cast<int>(p.x + p.y) / 6 % 2 == 0 ? int{kCream} : int{kStripe};
    });
}

// Tubular chimes of falling lengths under a wooden bar, and their striker.
Picture Chime() {
    enum { kSky, kSkyLow, kWood, kWoodDark, kString, kTubeLight, kTube, kTubeDark, kStriker, kOutline, kNote };
    std::vector<Rgba> palette = {Rgb(214, 236, 250), Rgb(198, 226, 246), Rgb(150, 96, 48),   Rgb(104, 62, 28),
                                 Rgb(90, 90, 100),   Rgb(238, 242, 250), Rgb(186, 196, 214), Rgb(120, 132, 156),
                                 Rgb(210, 60, 60),   Rgb(60, 64, 80),    Rgb(250, 200, 40)};
    return Indexed(85, 100, palette, [](Vec p) {
        const double bar = Box(p, {42, 14}, 36, 5, 2);
        if (bar < 0) return bar > -1.2 ? int{kWoodDark} : (p.y < 12 ? int{kWood} : int{kWoodDark});
        for (int i = 0; i < 5; ++i) {
            const double cx = 14 + 14 * i;
            const double bottom = 90 - 8 * i;
            const double tube = Box(p, {cx, (28 + bottom) / 2}, 4, (bottom - 28) / 2, 2);
            if (tube < 0) {
                if (tube > -1.1) return int{kOutline};
                const double t = (p.x - cx) / 4;
                return t < -0.35 ? int{kTubeLight} : t > 0.35 ? int{kTubeDark} : int{kTube};
            }
            if (std::fabs(p.x - cx) < 0.6 && p.y > 19 && p.y < 28) return int{kString};
        }
        if (Circle(p, {64, 84}, 5) < 0) return Circle(p, {64, 84}, 5) > -1.1 ? int{kOutline} : int{kStriker};
        if (Segment(p, {64, 84}, {80, 96}, 1.2) < 0) return int{kWoodDark};
        if (Circle(p, {74, 34}, 2.5) < 0 || Circle(p, {79, 46}, 2) < 0 || Segment(p, {76.2, 34}, {76.2, 26}, 0.6) < 0) {
            return int{kNote};
        }
        return p.y < 50 ? int{kSky} : int{kSkyLow};
    });
}

// A chord of three notes, twice, on a staff.
Picture Chord() {
    return TrueColour(96, 96, [](Vec p) {
        Rgba c = Mix(Rgb(255, 228, 240), Rgb(210, 198, 255), p.y / 96);
        c = Over(c, Circle(p, {70, 26}, 30) + 10, {1, 1, 1, 0.25});
        const Rgba ink = Rgb(62, 44, 96);
        for (int i = 0; i < 5; ++i) c = Over(c, Box(p, {48, 30.0 + 8 * i}, 42, 0.6), Rgb(110, 96, 150));
        const auto head = [&](double x, double y) {
            const double a = -0.35;
            const Vec q = {(p.x - x) * std::cos(a) - (p.y - y) * std::sin(a),
                           (p.x - x) * std::sin(a) + (p.y - y) * std::cos(a)};
            return Ellipse(q, {0, 0}, 5.6, 3.9);
        };
        for (double y : {62.0, 54.0, 46.0}) c = Over(c, head(34, y), ink);
        c = Over(c, Box(p, {39.2, 40}, 1, 22), ink);
        for (double y : {58.0, 50.0, 42.0}) c = Over(c, head(64, y), ink);
        c = Over(c, Box(p, {69.2, 36}, 1, 22), ink);
        const auto sparkle = [&](Vec s, double size) { return std::min(Box(p, s, size, 0.7), Box(p, s, 0.7, size)); };
        c = Over(c, sparkle({18, 16}, 4), Rgb(255, 200, 60));
        c = Over(c, sparkle({84, 76}, 3), Rgb(255, 200, 60));
        c = Over(c, sparkle({14, 80}, 2.5), Rgb(255, 255, 255));
        return c;
    });
}

// The sun rising over green hills.
Picture Tada() {
    return TrueColour(95, 87, [](Vec p) {
        Rgba c = Mix(Rgb(70, 120, 220), Rgb(255, 184, 96), std::clamp(p.y / 64, 0.0, 1.0));
        const double sunDistance = std::hypot(p.x - 47, p.y - 62);
        const double angle = std::atan2(p.y - 62, p.x - 47);
        const double ray = std::fabs(std::fmod(angle + 10 * kPi, kPi / 6) - kPi / 12);
        if (sunDistance > 24 && sunDistance < 42 && ray < 0.09) c = Mix(c, Rgb(255, 236, 150), 0.55);
        c = Over(c, sunDistance - 30, {1, 0.85, 0.4, 0.25});
        c = Over(c, sunDistance - 20, Rgb(255, 214, 64));
        c = Over(c, 62 + 6 * std::sin(p.x / 14) - p.y, Rgb(74, 170, 90));
        c = Over(c, 73 + 5 * std::sin(p.x / 9 + 1) - p.y, Rgb(44, 128, 66));
        return c;
    });
}

// A crescent moon and stars in a round night sky; outside the circle is clear.
Picture Exit() {
    return TrueColour(88, 88, [](Vec p) {
        Rgba c = {0, 0, 0, 0};
        const Rgba sky = Mix(Rgb(24, 30, 84), Rgb(64, 48, 130), p.y / 88);
        c = Over(c, Circle(p, {44, 44}, 42), sky);
        c = Over(c, std::max(Circle(p, {40, 44}, 23), -Circle(p, {51, 37}, 20)), Rgb(250, 236, 170));
        for (const auto& star : std::vector<std::pair<Vec, double>>{
                 {{66, 22}, 2.4}, {{72, 56}, 1.8}, {{24, 72}, 1.6}, {{58, 74}, 2.2}, {{30, 16}, 1.4}}) {
            const Vec s = star.first;
            const double r = star.second;
            c = Over(c, std::min(Box(p, s, r * 1.8, 0.5), Box(p, s, 0.5, r * 1.8)), Rgb(255, 255, 220));
            c = Over(c, Circle(p, s, r * 0.6), Rgb(255, 255, 230));
        }
        return c;
    });
}

// A letter with a red badge, on green that darkens in bands.
Picture Notify() {
    enum { kDot, kPaper, kPaperShade, kOutline, kBadge, kBadgeDark, kMark, kShadow, kGreen };
    constexpr int kBands = 12;
    std::vector<Rgba> palette = {Rgb(206, 234, 206), Rgb(255, 255, 255), Rgb(226, 232, 242), Rgb(50, 90, 170),
                                 Rgb(226, 54, 54),   Rgb(160, 30, 30),   Rgb(255, 255, 255), Rgb(180, 206, 180)};
    for (int i = 0; i < kBands; ++i) palette.push_back(Rgb(236 - 3 * i, 248 - 2 * i, 236 - 3 * i));
    return Indexed(96, 80, palette, [](Vec p) {
        const double badge = Circle(p, {78, 20}, 13);
        if (badge < 0) {
            if (badge > -1.5) return int{kBadgeDark};
            if (Box(p, {78, 16}, 1.8, 6) < 0 || Circle(p, {78, 27}, 2) < 0) return int{kMark};
            return int{kBadge};
        }
        const double letter = Box(p, {44, 48}, 34, 22);
        if (letter < 0) {
            if (letter > -1.5) return int{kOutline};
            if (Segment(p, {10, 26}, {44, 52}, 0.8) < 0 || Segment(p, {78, 26}, {44, 52}, 0.8) < 0)
                return int{kOutline};
            return p.y < 52 - std::fabs(p.x - 44) * 26 / 34 ? int{kPaperShade} : int{kPaper};
        }
        if (Box(p, {48, 52}, 34, 22) < 0) return int{kShadow};
        const double cx = std::floor(p.x / 8) * 8 + 4;
        const double cy = std::floor(p.y / 8) * 8 + 4;
        if (static_cast<int>(cx + cy) / 8 % 2 == 0 && Circle(p, {cx, cy}, 1.5) < 0) return int{kDot};
        return kGreen + std::min(kBands - 1, static_cast<int>(p.y) / 7);
    });
}

std::uint8_t Byte(double v) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
}

Bytes Bmp(const Picture& picture) {
    const int bits = picture.HasPalette() ? 8 : 24;
    const std::uint32_t stride = (bits * picture.width + 31) / 32 * 4;
    const std::uint32_t colours = static_cast<std::uint32_t>(picture.palette.size());
    const std::uint32_t offset = 14 + 40 + 4 * colours;
    Bytes out = {'B', 'M'};
    le::Append32(out, offset + stride * picture.height);
    le::Append32(out, 0);
    le::Append32(out, offset);
    for (std::uint32_t v : {40u, static_cast<std::uint32_t>(picture.width), static_cast<std::uint32_t>(picture.height)})
        le::Append32(out, v);
    le::Append16(out, 1);
    le::Append16(out, static_cast<std::uint16_t>(bits));
    for (std::uint32_t v : {0u, stride * picture.height, 2835u, 2835u, colours, 0u}) le::Append32(out, v);
    for (const Rgba& c : picture.palette) {
        out.insert(out.end(), {Byte(c.b), Byte(c.g), Byte(c.r), 0});
    }
    for (int y = picture.height - 1; y >= 0; --y) {
        Bytes row(stride, 0);
        for (int x = 0; x < picture.width; ++x) {
            const std::size_t at = static_cast<std::size_t>(y) * picture.width + x;
            if (bits == 8) {
                row[x] = picture.indices[at];
            } else {
                row[3 * x] = picture.rgba[4 * at + 2];
                row[3 * x + 1] = picture.rgba[4 * at + 1];
                row[3 * x + 2] = picture.rgba[4 * at];
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

// Through libpng, which writes a palette of up to 16 colours at 4 bits.
Bytes Png(const Picture& picture, bool alpha) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width);
    image.height = static_cast<png_uint_32>(picture.height);
    image.format = picture.HasPalette() ? PNG_FORMAT_RGB_COLORMAP : alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    image.colormap_entries = static_cast<png_uint_32>(picture.palette.size());
    Bytes colours;
    for (const Rgba& c : picture.palette) colours.insert(colours.end(), {Byte(c.r), Byte(c.g), Byte(c.b)});
    Bytes pixels = picture.indices;
    for (std::size_t i = 0; i < picture.rgba.size(); ++i) {
        if (alpha || i % 4 != 3) pixels.push_back(picture.rgba[i]);
    }
    Bytes out(PNG_IMAGE_PNG_SIZE_MAX(image));
    png_alloc_size_t size = out.size();
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, pixels.data(), 0, colours.data())) {
        std::fprintf(stderr, "drawdemo: libpng: %s\n", image.message);
        return {};
    }
    out.resize(size);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string usage = "usage: drawdemo OUT.bmp|OUT.png KIND   (KIND: ding chime chord tada exit notify)\n";
    if (argc != 3) {
        std::fputs(usage.c_str(), stderr);
        return 2;
    }
    const std::string out = argv[1];
    const std::string kind = argv[2];
    const std::string extension = out.size() > 4 ? out.substr(out.size() - 4) : "";
    const std::vector<std::pair<std::string, std::function<Picture()>>> kinds = {
        {"ding", Ding}, {"chime", Chime}, {"chord", Chord}, {"tada", Tada}, {"exit", Exit}, {"notify", Notify}};
    const auto found = std::find_if(kinds.begin(), kinds.end(), [&](const auto& k) { return k.first == kind; });
    if (found == kinds.end() || (extension != ".bmp" && extension != ".png") ||
        (kind == "exit" && extension == ".bmp")) {
        std::fputs(usage.c_str(), stderr);
        return 2;
    }
    const Picture picture = found->second();
    const Bytes bytes = extension == ".bmp" ? Bmp(picture) : Png(picture, kind == "exit");
    return !bytes.empty() && writeFile("drawdemo", out, bytes) ? 0 : 1;
}
