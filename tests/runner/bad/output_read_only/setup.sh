chmod a-w "$DIR/out.nc"
# root writes read-only files; the immutable flag stops root too.
if [ -w "$DIR/out.nc" ]; then chattr +i "$DIR/out.nc" 2>/dev/null; fi
if ( : >>"$DIR/out.nc" ) 2>/dev/null; then echo "cannot make a file read-only here"; exit 77; fi
exit 0
