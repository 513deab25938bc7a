const end = "</SCRIPT>";
