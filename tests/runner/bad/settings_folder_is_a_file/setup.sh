printf 'not a folder\r\n' >"$DIR/settings"
