// Placeholder so a subsystem library exists before its first source file.
