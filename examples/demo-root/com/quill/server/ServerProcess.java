package com.quill.server;

import com.sun.net.httpserver.HttpExchange;
import com.sun.net.httpserver.HttpServer;
import java.io.IOException;
import java.net.InetAddress;
import java.net.InetSocketAddress;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;

/**
 * A small stand-in for the server that skiff supervises: it answers HTTP on 127.0.0.1
 * and ends when /stop is asked with the session key that skiff wrote to sk.txt.
 * The port it got is written to http.port in the server root for the admin command.
 */
public final class ServerProcess {
  public static void main(String[] args) throws IOException {
    Path root = Path.of(System.getProperty("server.root", "."));
    String name = System.getProperty("server.name", "server");
    String key = Files.readString(root.resolve("sk.txt")).trim();

    HttpServer http = HttpServer.create(
        new InetSocketAddress(InetAddress.getLoopbackAddress(), Integer.getInteger("demo.port", 0)), 0);
    http.createContext("/", exchange ->
        reply(exchange, 200, "<html><body><h1>" + name + "</h1><p>served under skiff from "
            + root.toRealPath() + "</p></body></html>\n"));
    http.createContext("/stop", exchange -> {
      if (!("sk=" + key).equals(exchange.getRequestURI().getQuery())) {
        reply(exchange, 403, "wrong session key\n");
        return;
      }
      reply(exchange, 200, "stopping\n");
      new Thread(() -> {
        http.stop(0);
        System.exit(0);
      }).start();
    });
    http.start();

    int port = http.getAddress().getPort();
    Files.writeString(root.resolve("http.port"), Integer.toString(port));
    System.err.println("ServerProcess: " + name + " answers on http://127.0.0.1:" + port + "/");
  }

  private static void reply(HttpExchange exchange, int status, String text) throws IOException {
    byte[] body = text.getBytes(StandardCharsets.UTF_8);
    exchange.sendResponseHeaders(status, body.length);
    exchange.getResponseBody().write(body);
    exchange.close();
  }
}
