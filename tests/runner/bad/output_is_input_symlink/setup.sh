ln -s in.nc "$DIR/link.nc"
