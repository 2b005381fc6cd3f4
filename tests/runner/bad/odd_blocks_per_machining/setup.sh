# Words without numbers: refused, never read as 0.
{
  printf 'G92 X0. Y0. Z100.\r\nG90 G00 X10. Y0.\r\nG01 Z-1. F100\r\n'
  printf 'G01 X- Y.\n'
  printf 'G00 Z100.\r\nG01 X20.'
} >"$DIR/in.nc"
