[ -e /dev/full ] || { echo "no /dev/full here"; exit 77; }
