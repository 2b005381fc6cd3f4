# A number of 400 digits: beyond the range of a double, refused rather than read as 0.
{
  printf 'G92 X0. Y0. Z100.\r\nG90 G00 X10. Y0.\r\nG01 Z-1. F100\r\n'
  printf 'G01 X'; head -c 400 /dev/zero | tr '\0' '9'; printf ' Y-1.5\r\n'
  printf 'G00 Z100.\r\n'
} >"$DIR/in.nc"
