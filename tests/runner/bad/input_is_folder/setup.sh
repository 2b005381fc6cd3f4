mkdir "$DIR/folder"
