package com.quill.server.http.admin;

import java.io.IOException;
import java.net.HttpURLConnection;
import java.net.URL;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;

/**
 * A small stand-in for the server's admin command: "-stop -sk KEY" asks the running
 * server to stop, then waits until its launcher has removed the key file, so that the
 * stop is complete when this command ends.
 */
public final class CommandLine {
  public static void main(String[] args) throws IOException, InterruptedException {
    if (args.length != 3 || !args[0].equals("-stop") || !args[1].equals("-sk")) {
      System.err.println("CommandLine: usage: -stop -sk <session key>");
      System.exit(2);
    }
    Path root = Path.of(System.getProperty("server.root", "."));
    String port = Files.readString(root.resolve("http.port")).trim();
    URL stop = new URL("http://127.0.0.1:" + port + "/stop?sk=" + args[2]);
    HttpURLConnection connection = (HttpURLConnection) stop.openConnection();
    int status = connection.getResponseCode();
    String answer = new String((status == 200 ? connection.getInputStream()
        : connection.getErrorStream()).readAllBytes(), StandardCharsets.UTF_8).trim();
    System.err.println("CommandLine: the server answered " + status + " " + answer);
    if (status != 200) {
      System.exit(1);
    }
    for (int i = 0; i < 100 && Files.exists(root.resolve("sk.txt")); i++) {
      Thread.sleep(100);
    }
  }
}
