# A 1 MB line, 400-digit numbers, words without numbers, LF-only lines, a
# NUL byte inside a block and no line end after the last block.
{
  printf 'G92 X0. Y0. Z100.\r\nG90 G00 X10. Y0.\r\nG01 Z-1. F100\r\n'
  printf 'G01 X'; head -c 1048576 /dev/zero | tr '\0' '7'; printf '.\r\n'
  printf 'G01 X'; head -c 400 /dev/zero | tr '\0' '9'; printf ' Y-'; head -c 400 /dev/zero | tr '\0' '1'; printf '.5\n'
  printf 'G01 X- Y.\nG01 X--5 Y5-3 Z1.2.3\nG02 X. Y. I J R\n'
  printf 'G01 X1.\000 Y2.\r\n'
  printf 'G00 Z100.\r\nG01 X20.'
} >"$DIR/in.nc"
