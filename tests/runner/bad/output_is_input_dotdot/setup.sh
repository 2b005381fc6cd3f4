mkdir "$DIR/sub"
