"$(dirname "$KESTREL")/picture_diff" screenshot.bmp fields2.ppm 3
