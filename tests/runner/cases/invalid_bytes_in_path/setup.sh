name="in$(printf '\377\201').nc"
mv "$DIR/in.nc" "$DIR/$name"
printf '[Pivora]\r\nNCFILE1=%s\r\nNCFILE2=%s\r\nROTANGLE=90\r\nROTXCOORD=0\r\nROTYCOORD=0\r\nROTCOUNT=2\r\nNCDATAKEEP=1\r\nROTTYPE=1\r\n' "$DIR/$name" "$DIR/out.nc" >"$DIR/control.ini"
