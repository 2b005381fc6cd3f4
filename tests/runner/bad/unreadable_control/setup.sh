chmod 000 "$DIR/control.ini"
if cat "$DIR/control.ini" >/dev/null 2>&1; then echo "cannot make a file unreadable here (root)"; exit 77; fi
