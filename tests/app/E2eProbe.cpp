// Helper of the end-to-end test: finds the test camera's mark in a screen grab and checks the
// red outline around it.
//   quelta_e2e_probe find-mark GRAB.png   prints "x y", the mark's centre on the screen
//   quelta_e2e_probe check-outline GRAB.png   exit 0 when a red outline encloses the mark
#include <QImage>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

namespace {
constexpr QRgb OutlineRed = 0xFFFF0000;

// The mark is a saturated red disc; nothing else on the screen is that red in quantity.
bool LooksLikeMark(QRgb c) {
    const int r = qRed(c), g = qGreen(c), b = qBlue(c);
    return (c | 0xFF000000) != OutlineRed && r >= 120 && r - g >= 80 && r - b >= 60;
}

struct Found {
    int X, Y, Count;
};

std::optional<Found> FindMark(const QImage& grab) {
    std::vector<int> xs, ys;
    for (int y = 0; y < grab.height(); ++y)
        for (int x = 0; x < grab.width(); ++x)
            if (LooksLikeMark(grab.pixel(x, y))) {
                xs.push_back(x);
                ys.push_back(y);
            }
    if (xs.size() < 100)
        return std::nullopt;
    // Medians: a few red pixels elsewhere (an icon) do not move them.
    std::nth_element(xs.begin(), xs.begin() + xs.size() / 2, xs.end());
    std::nth_element(ys.begin(), ys.begin() + ys.size() / 2, ys.end());
    return Found{xs[xs.size() / 2], ys[ys.size() / 2], int(xs.size())};
}

int CheckOutline(const QImage& grab) {
    const auto mark = FindMark(grab);
    if (!mark) {
        std::fprintf(stderr, "no mark in the grab\n");
        return 1;
    }
    // The outline is the blob's bounding box: pure red pixels on all four sides of the mark.
    const int reach = 80;
    int left = 0, right = 0, above = 0, below = 0;
    for (int y = std::max(0, mark->Y - reach); y < std::min(grab.height(), mark->Y + reach); ++y)
        for (int x = std::max(0, mark->X - reach); x < std::min(grab.width(), mark->X + reach); ++x)
            if ((grab.pixel(x, y) | 0xFF000000) == OutlineRed) {
                const int dx = x - mark->X, dy = y - mark->Y;
                if (std::abs(dx) >= std::abs(dy))
                    (dx < 0 ? left : right)++;
                else
                    (dy < 0 ? above : below)++;
            }
    std::printf("mark %d %d (%d px); outline pixels left %d right %d above %d below %d\n", mark->X,
                mark->Y, mark->Count, left, right, above, below);
    const int side = 15;
    return left >= side && right >= side && above >= side && below >= side ? 0 : 1;
}

QImage Load(const char* path) {
    QImage image(QString::fromLocal8Bit(path));
    return image.convertToFormat(QImage::Format_RGB32);
}
}  // namespace

int main(int argc, char* argv[]) {
    if (argc == 3 && !std::strcmp(argv[1], "find-mark")) {
        const auto mark = FindMark(Load(argv[2]));
        if (!mark)
            return 1;
        std::printf("%d %d\n", mark->X, mark->Y);
        return 0;
    }
    if (argc == 3 && !std::strcmp(argv[1], "check-outline"))
        return CheckOutline(Load(argv[2]));
    std::fprintf(stderr, "usage: %s find-mark PNG | check-outline PNG\n", argv[0]);
    return 2;
}
