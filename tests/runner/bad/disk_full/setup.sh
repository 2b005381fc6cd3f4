# A file size limit (16 KB, file ulimit) stands for a full disk: the program is
# long enough that its two copies go past it. The old output must stay as it was.
{
    printf 'G92 X0. Y0. Z100.\r\nG90 G00 X10. Y0.\r\nG00 Z5.\r\n'
    for ((i = 0; i < 1500; i++)); do printf 'G01 X%d. Y1. F100\r\n' $((i % 100)); done
    printf 'G00 Z100.\r\nM30\r\n'
} >"$DIR/in.nc"
printf 'O0001(THE OLD OUTPUT)\r\nM30\r\n' >"$DIR/out.nc"
