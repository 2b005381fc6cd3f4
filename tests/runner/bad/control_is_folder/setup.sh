mkdir "$DIR/folder.ini"
