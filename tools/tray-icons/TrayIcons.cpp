// The tray pictures as shapes measured in the unit square (y down), sampled 8 x 8 times a pixel,
// and the .ico container they are written in.
#include "tools/tray-icons/TrayIcons.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace tray_icons {
namespace {

constexpr int kSamplesPerSide = 8;

struct Point {
    double x;
    double y;
};

struct Colour {
    double r;
    double g;
    double b;
};

Colour Mix(Colour from, Colour to, double t) {
    return {from.r + (to.r - from.r) * t, from.g + (to.g - from.g) * t,
            from.b + (to.b - from.b) * t};
}

constexpr Colour Rgb(int hex) {
    return {((hex >> 16) & 0xFF) / 255.0, ((hex >> 8) & 0xFF) / 255.0, (hex & 0xFF) / 255.0};
}

// The handset's colours: a fill lighter at the top than at the bottom, and a darker edge so that
// the shape holds on a panel of any shade.
struct HandsetColours {
    Colour top;
    Colour bottom;
    Colour edge;
};
constexpr HandsetColours kGreen = {Rgb(0x5BD07A), Rgb(0x1F8E3D), Rgb(0x125A26)};
// Pure greys: an unplugged handset shows no colour at all.
constexpr HandsetColours kGrey = {Rgb(0xB8B8B8), Rgb(0x8A8A8A), Rgb(0x545454)};
constexpr Colour kBadgeRed = Rgb(0xE0302A);
constexpr Colour kWhite = Rgb(0xFFFFFF);

// Signed distances: negative inside the shape, in unit-square lengths.
double RoundedBox(Point p, Point centre, double halfWidth, double halfHeight, double radius) {
    const double qx = std::abs(p.x - centre.x) - halfWidth + radius;
    const double qy = std::abs(p.y - centre.y) - halfHeight + radius;
    return std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) -
           radius;
}

double Segment(Point p, Point a, Point b, double radius) {
    const double abx = b.x - a.x;
    const double aby = b.y - a.y;
    const double t =
        std::clamp(((p.x - a.x) * abx + (p.y - a.y) * aby) / (abx * abx + aby * aby), 0.0, 1.0);
    return std::hypot(p.x - a.x - t * abx, p.y - a.y - t * aby) - radius;
}

// A band of half width `halfWidth` along the circle of `radius` round `centre`, from angle `from`
// to angle `to` (radians, y down, from < to within (-pi, pi]), with round ends.
double ArcBand(Point p, Point centre, double radius, double halfWidth, double from, double to) {
    const double dx = p.x - centre.x;
    const double dy = p.y - centre.y;
    const double angle = std::atan2(dy, dx);
    if (angle >= from && angle <= to) {
        return std::abs(std::hypot(dx, dy) - radius) - halfWidth;
    }
    const Point start = {centre.x + radius * std::cos(from), centre.y + radius * std::sin(from)};
    const Point end = {centre.x + radius * std::cos(to), centre.y + radius * std::sin(to)};
    return std::min(std::hypot(p.x - start.x, p.y - start.y),
                    std::hypot(p.x - end.x, p.y - end.y)) -
           halfWidth;
}

// A union that rounds the inner corners where the shapes meet, over about `k`.
double SmoothUnion(double a, double b, double k) {
    const double h = std::clamp(0.5 + 0.5 * (b - a) / k, 0.0, 1.0);
    return b + (a - b) * h - k * h * (1.0 - h);
}

// The handset: a grip bent round the lower left, the earpiece at the top left and the mouthpiece
// at the bottom right, both facing the empty upper right where the badge goes. The shape is its
// own mirror image about the diagonal x + y = 1 through the bend.
constexpr Point kBend = {0.75, 0.25};
constexpr double kGripRadius = 0.56;
constexpr double kGripHalfWidth = 0.11;
// Its bounds, which Draw puts on whole pixels so that the outer edges of the two cups are sharp.
constexpr double kLeft = 0.08;
constexpr double kTop = 0.06;
constexpr double kSpan = 0.86;

double Handset(Point p) {
    const double grip =
        ArcBand(p, kBend, kGripRadius, kGripHalfWidth, std::numbers::pi / 2, std::numbers::pi);
    const double earpiece = RoundedBox(p, {0.23, 0.21}, 0.15, 0.15, 0.08);
    const double mouthpiece = RoundedBox(p, {0.79, 0.77}, 0.15, 0.15, 0.08);
    return SmoothUnion(grip, std::min(earpiece, mouthpiece), 0.05);
}

struct Sample {
    Colour colour;
    bool opaque;
};

Sample HandsetSample(Point p, const HandsetColours& colours, double edgeWidth) {
    const double distance = Handset(p);
    if (distance >= 0) {
        return {{}, false};
    }
    if (distance > -edgeWidth) {
        return {colours.edge, true};
    }
    const double t = std::clamp((p.y - kTop) / kSpan, 0.0, 1.0);
    return {Mix(colours.top, colours.bottom, t), true};
}

// The softphone-not-reachable badge in the top right corner, measured in pixels: a red disc with
// a white rim and a white cross. Small badges take a cross of single pixels on the grid, since a
// smoothed one of two pixels' width blurs into a blot there.
struct Badge {
    Point centre;
    double radius;
    double rim;
    int gridCross;  // the small cross's side in pixels; 0 for the smooth one
    double arm;
    double strokeHalfWidth;
};

Badge BadgeFor(int size) {
    const double rim = std::max(1.0, size / 24.0);
    if (size < 28) {
        // An odd number of pixels across, so that the cross has a middle pixel, with its corners
        // inside the red.
        const double radius = size / 4 + 0.5;
        auto side = static_cast<int>((radius - rim) * std::numbers::sqrt2);
        side -= 1 - side % 2;
        return {{size - radius, radius}, radius, rim, side, 0, 0};
    }
    // A radius of whole or half pixels puts the disc's top and right edges on pixel edges.
    const double radius = std::round(size * 0.5) / 2;
    return {{size - radius, radius}, radius, rim, 0, radius * 0.4, radius * 0.15};
}

bool OnCross(Point p, const Badge& badge) {
    const Point c = badge.centre;
    if (badge.gridCross > 0) {
        const double first = -badge.gridCross / 2.0;
        const auto x = static_cast<int>(std::floor(p.x - c.x - first));
        const auto y = static_cast<int>(std::floor(p.y - c.y - first));
        return x >= 0 && y >= 0 && x < badge.gridCross && y < badge.gridCross &&
               (x == y || x == badge.gridCross - 1 - y);
    }
    const double a = badge.arm;
    const double w = badge.strokeHalfWidth;
    return std::min(Segment(p, {c.x - a, c.y - a}, {c.x + a, c.y + a}, w),
                    Segment(p, {c.x - a, c.y + a}, {c.x + a, c.y - a}, w)) < 0;
}

Sample BadgeSample(Point p, const Badge& badge) {
    const double fromCentre = std::hypot(p.x - badge.centre.x, p.y - badge.centre.y);
    if (fromCentre >= badge.radius) {
        return {{}, false};
    }
    if (fromCentre > badge.radius - badge.rim) {
        return {kWhite, true};
    }
    return {OnCross(p, badge) ? kWhite : kBadgeRed, true};
}

std::uint8_t Byte(double value) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0));
}

void AppendLittleEndian(std::string& bytes, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

}  // namespace

std::string FileName(TrayState state) {
    std::string name;
    switch (state) {
        case TrayState::kAllOk:
            name = "allok";
            break;
        case TrayState::kNoSoftphone:
            name = "noskype";
            break;
        case TrayState::kNoDevice:
            name = "nodevice";
            break;
    }
    name += ".ico";
    return name;
}

Picture Draw(TrayState state, int size) {
    if (size < 8 || size > 256) {
        throw std::invalid_argument("tray icon size out of range");
    }
    // The handset fills the picture but for a margin of whole pixels.
    const int margin = std::max(1, static_cast<int>(std::lround(size * 0.04)));
    const double pixelsPerUnit = (size - 2 * margin) / kSpan;
    // The edge stays about a pixel wide at the small sizes and grows slowly above them, so that
    // the small pictures are not all edge and the large ones not drawn with a hairline.
    const double edgeWidth = std::max(0.9, size / 28.0) / pixelsPerUnit;
    const Badge badge = BadgeFor(size);
    const HandsetColours& colours = state == TrayState::kNoDevice ? kGrey : kGreen;

    Picture picture{size, std::vector<std::uint8_t>(static_cast<std::size_t>(size) * size * 4)};
    constexpr double kSamples = kSamplesPerSide * kSamplesPerSide;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            Colour sum{0, 0, 0};
            int covered = 0;
            for (int sy = 0; sy < kSamplesPerSide; ++sy) {
                for (int sx = 0; sx < kSamplesPerSide; ++sx) {
                    const Point p = {x + (sx + 0.5) / kSamplesPerSide,
                                     y + (sy + 0.5) / kSamplesPerSide};
                    const Point unit = {kLeft + (p.x - margin) / pixelsPerUnit,
                                        kTop + (p.y - margin) / pixelsPerUnit};
                    Sample sample = HandsetSample(unit, colours, edgeWidth);
                    if (state == TrayState::kNoSoftphone) {
                        if (const Sample mark = BadgeSample(p, badge); mark.opaque) {
                            sample = mark;
                        }
                    }
                    if (sample.opaque) {
                        sum = {sum.r + sample.colour.r, sum.g + sample.colour.g,
                               sum.b + sample.colour.b};
                        ++covered;
                    }
                }
            }
            std::uint8_t* out = &picture.rgba[(static_cast<std::size_t>(y) * size + x) * 4];
            if (covered > 0) {
                out[0] = Byte(sum.r / covered);
                out[1] = Byte(sum.g / covered);
                out[2] = Byte(sum.b / covered);
                out[3] = Byte(covered / kSamples);
            }
        }
    }
    return picture;
}

std::string IcoFile(std::span<const Picture> pictures) {
    constexpr std::uint32_t kDirectoryBytes = 6;
    constexpr std::uint32_t kEntryBytes = 16;
    constexpr std::uint32_t kInfoHeaderBytes = 40;
    std::string file;
    AppendLittleEndian(file, 0, 2);  // reserved
    AppendLittleEndian(file, 1, 2);  // an icon, not a cursor
    AppendLittleEndian(file, static_cast<std::uint32_t>(pictures.size()), 2);

    std::vector<std::string> images;
    for (const Picture& picture : pictures) {
        if (picture.size < 1 || picture.size > 256 ||
            picture.rgba.size() != static_cast<std::size_t>(picture.size) * picture.size * 4) {
            throw std::invalid_argument("picture unfit for an icon file");
        }
        const auto side = static_cast<std::uint32_t>(picture.size);
        const std::uint32_t maskRowBytes = (side + 31) / 32 * 4;
        std::string image;
        AppendLittleEndian(image, kInfoHeaderBytes, 4);
        AppendLittleEndian(image, side, 4);
        AppendLittleEndian(image, 2 * side, 4);  // the colours and the mask, one above the other
        AppendLittleEndian(image, 1, 2);         // planes
        AppendLittleEndian(image, 32, 2);        // bits a pixel
        AppendLittleEndian(image, 0, 4);         // uncompressed
        AppendLittleEndian(image, side * side * 4 + maskRowBytes * side, 4);
        image.append(16, '\0');  // resolution and palette: none
        // Both bitmaps run bottom-up; the colours as blue, green, red, alpha.
        for (std::uint32_t row = side; row-- > 0;) {
            for (std::uint32_t x = 0; x < side; ++x) {
                const std::uint8_t* in = &picture.rgba[(row * side + x) * 4];
                image.push_back(static_cast<char>(in[2]));
                image.push_back(static_cast<char>(in[1]));
                image.push_back(static_cast<char>(in[0]));
                image.push_back(static_cast<char>(in[3]));
            }
        }
        // The mask: a set bit is a transparent pixel, for readers that ignore the alpha.
        for (std::uint32_t row = side; row-- > 0;) {
            std::string bits(maskRowBytes, '\0');
            for (std::uint32_t x = 0; x < side; ++x) {
                if (picture.rgba[(row * side + x) * 4 + 3] == 0) {
                    bits[x / 8] = static_cast<char>(bits[x / 8] | (0x80 >> (x % 8)));
                }
            }
            image += bits;
        }
        images.push_back(std::move(image));
    }

    std::uint32_t offset =
        kDirectoryBytes + kEntryBytes * static_cast<std::uint32_t>(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const auto side = static_cast<std::uint32_t>(pictures[i].size);
        AppendLittleEndian(file, side % 256, 1);  // 256 is written as 0
        AppendLittleEndian(file, side % 256, 1);
        AppendLittleEndian(file, 0, 1);   // no palette
        AppendLittleEndian(file, 0, 1);   // reserved
        AppendLittleEndian(file, 1, 2);   // planes
        AppendLittleEndian(file, 32, 2);  // bits a pixel
        AppendLittleEndian(file, static_cast<std::uint32_t>(images[i].size()), 4);
        AppendLittleEndian(file, offset, 4);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const std::string& image : images) {
        file += image;
    }
    return file;
}

}  // namespace tray_icons
