// picture_diff A B TOLERANCE: succeeds when both pictures load, have the same
// size and no colour component of a pixel differs by more than TOLERANCE.
// Prints the largest difference and where it is.
#include <QImage>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (argc != 4)
        return 2;
    const QImage a(QString::fromLocal8Bit(argv[1])), b(QString::fromLocal8Bit(argv[2]));
    if (a.isNull() || b.isNull() || a.size() != b.size()) {
        std::fprintf(stderr, "%s and %s: unreadable or of different sizes\n", argv[1], argv[2]);
        return 1;
    }
    int worst = 0, worstX = 0, worstY = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int d =
                std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
            if (d > worst)
                worst = d, worstX = x, worstY = y;
        }
    }
    std::printf("%s against %s: largest difference %d at (%d, %d)\n", argv[1], argv[2], worst, worstX, worstY);
    return worst <= std::atoi(argv[3]) ? 0 : 1;
}
