keep me
