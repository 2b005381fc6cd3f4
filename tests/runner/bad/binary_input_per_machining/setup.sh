# Every byte value 0 to 255 four times over, then the same bytes backwards.
{ for round in 1 2 3 4; do
    for ((i = 0; i < 256; i++)); do printf "\\$(printf %03o $i)"; done
  done
  for ((i = 255; i >= 0; i--)); do printf "\\$(printf %03o $i)"; done
} >"$DIR/in.nc"
