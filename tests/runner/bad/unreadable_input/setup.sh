chmod a-r "$DIR/in.nc"
if cat "$DIR/in.nc" >/dev/null 2>&1; then echo "cannot make a file unreadable here (root)"; exit 77; fi
exit 0
